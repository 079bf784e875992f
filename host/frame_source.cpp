#include "frame_source.h"

namespace hostsim {

FrameSource::FrameSource(std::FILE* file, const FrameLayout& layout, bool rgbBottomUp)
    : file_(file), layout_(layout), rgbBottomUp_(rgbBottomUp) {}

bool FrameSource::Next(uint8_t* hostFrame) {
  if (!file_ || !layout_.Valid()) return false;
  const size_t bytes = layout_.FrameBytes();
  uint8_t* target = hostFrame;
  if (NeedsFlip()) {
    buffer_.resize(bytes);
    target = buffer_.data();
  }
  size_t got = 0;
  while (got < bytes) {
    size_t n = std::fread(target + got, 1, bytes - got, file_);
    if (n == 0) break;  // a pipe may deliver a frame in pieces
    got += n;
  }
  if (got < bytes) {
    partial_ = got > 0;
    return false;
  }
  if (NeedsFlip()) FlipRows(target, hostFrame, layout_.RowBytes(), layout_.height);
  ++framesRead_;
  return true;
}

bool FrameSource::Rewind() {
  if (!file_ || std::fseek(file_, 0, SEEK_SET) != 0) return false;
  std::clearerr(file_);
  partial_ = false;
  return true;
}

bool FrameSource::WriteInputLayout(std::FILE* out, const uint8_t* hostFrame) {
  const size_t bytes = layout_.FrameBytes();
  const uint8_t* src = hostFrame;
  if (NeedsFlip()) {
    buffer_.resize(bytes);
    FlipRows(hostFrame, buffer_.data(), layout_.RowBytes(), layout_.height);
    src = buffer_.data();
  }
  return std::fwrite(src, 1, bytes, out) == bytes;
}

}  // namespace hostsim
