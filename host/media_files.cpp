#include "media_files.h"

#include <algorithm>
#include <cstring>

namespace hostsim {

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
void PutTag(std::vector<uint8_t>& v, const char* tag) { v.insert(v.end(), tag, tag + 4); }

uint8_t Clamp255(int32_t x) { return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x)); }

// BT.601, video range, 8-bit fixed point (the figures ffmpeg's C path uses to within rounding).
void YuvToBgr(int32_t y, int32_t u, int32_t v, uint8_t* bgr) {
  int32_t c = 298 * (y - 16);
  int32_t d = u - 128;
  int32_t e = v - 128;
  bgr[0] = Clamp255((c + 516 * d + 128) >> 8);
  bgr[1] = Clamp255((c - 100 * d - 208 * e + 128) >> 8);
  bgr[2] = Clamp255((c + 409 * e + 128) >> 8);
}

bool WriteAll(std::FILE* f, const void* p, size_t n) { return n == 0 || std::fwrite(p, 1, n, f) == n; }

void PutU32At(std::FILE* f, long pos, uint32_t x, bool* ok) {
  uint8_t b[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x >> 16),
                  static_cast<uint8_t>(x >> 24)};
  if (std::fseek(f, pos, SEEK_SET) != 0 || !WriteAll(f, b, 4)) *ok = false;
}

}  // namespace

bool FrameLayout::Valid() const {
  if (format != kLayoutYuy2 && format != kLayoutRgb24) return false;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  return format != kLayoutYuy2 || width % 2 == 0;
}

void FlipRows(const uint8_t* src, uint8_t* dst, size_t rowBytes, int32_t rows) {
  for (int32_t r = 0; r < rows; ++r)
    std::memcpy(dst + static_cast<size_t>(rows - 1 - r) * rowBytes, src + static_cast<size_t>(r) * rowBytes, rowBytes);
}

size_t Dib24Stride(int32_t width) { return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3); }

void FrameToDib24(const FrameLayout& layout, const uint8_t* frame, std::vector<uint8_t>* dib) {
  const size_t stride = Dib24Stride(layout.width);
  dib->assign(stride * layout.height, 0);
  for (int32_t row = 0; row < layout.height; ++row) {
    // DIB row `row` counts from the bottom of the picture.
    uint8_t* out = dib->data() + stride * row;
    if (layout.format == kLayoutRgb24) {
      std::memcpy(out, frame + layout.RowBytes() * row, layout.RowBytes());
    } else {
      const uint8_t* in = frame + layout.RowBytes() * (layout.height - 1 - row);
      for (int32_t x = 0; x < layout.width; x += 2, in += 4, out += 6) {
        YuvToBgr(in[0], in[1], in[3], out);
        YuvToBgr(in[2], in[1], in[3], out + 3);
      }
    }
  }
}

std::vector<uint8_t> Bmp24Header(int32_t width, int32_t height) {
  const uint32_t image = static_cast<uint32_t>(Dib24Stride(width) * height);
  std::vector<uint8_t> h;
  h.push_back('B');
  h.push_back('M');
  Put32(h, 54 + image);  // file size
  Put32(h, 0);
  Put32(h, 54);  // offset of the pixels
  Put32(h, 40);
  Put32(h, static_cast<uint32_t>(width));
  Put32(h, static_cast<uint32_t>(height));  // positive: bottom row first
  Put16(h, 1);
  Put16(h, 24);
  Put32(h, 0);  // BI_RGB
  Put32(h, image);
  Put32(h, 2835);  // 72 dpi
  Put32(h, 2835);
  Put32(h, 0);
  Put32(h, 0);
  return h;
}

bool WriteBmp(const std::string& path, const FrameLayout& layout, const uint8_t* frame) {
  if (!layout.Valid()) return false;
  std::vector<uint8_t> dib;
  FrameToDib24(layout, frame, &dib);
  std::vector<uint8_t> header = Bmp24Header(layout.width, layout.height);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = WriteAll(f, header.data(), header.size()) && WriteAll(f, dib.data(), dib.size());
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

AviWriter::~AviWriter() { Close(); }

bool AviWriter::Open(const std::string& path, const FrameLayout& layout, uint32_t fpsNum, uint32_t fpsDen) {
  Close();
  if (!layout.Valid() || fpsNum == 0 || fpsDen == 0) return false;
  layout_ = layout;
  frames_ = 0;
  ok_ = true;
  const bool yuy2 = layout.format == kLayoutYuy2;
  frameChunkBytes_ = static_cast<uint32_t>(yuy2 ? layout.FrameBytes() : Dib24Stride(layout.width) * layout.height);
  const uint32_t usPerFrame = static_cast<uint32_t>((1000000ull * fpsDen + fpsNum / 2) / fpsNum);

  std::vector<uint8_t> h;
  PutTag(h, "RIFF");
  Put32(h, 0);  // patched at close
  PutTag(h, "AVI ");
  PutTag(h, "LIST");
  Put32(h, 4 + 64 + 12 + 64 + 48);
  PutTag(h, "hdrl");
  PutTag(h, "avih");
  Put32(h, 56);
  Put32(h, usPerFrame);
  Put32(h, static_cast<uint32_t>((static_cast<uint64_t>(frameChunkBytes_) * fpsNum) / fpsDen));
  Put32(h, 0);
  Put32(h, 0x10);  // AVIF_HASINDEX
  Put32(h, 0);     // total frames, patched
  Put32(h, 0);
  Put32(h, 1);  // streams
  Put32(h, frameChunkBytes_);
  Put32(h, static_cast<uint32_t>(layout.width));
  Put32(h, static_cast<uint32_t>(layout.height));
  for (int i = 0; i < 4; ++i) Put32(h, 0);
  PutTag(h, "LIST");
  Put32(h, 4 + 64 + 48);
  PutTag(h, "strl");
  PutTag(h, "strh");
  Put32(h, 56);
  PutTag(h, "vids");
  if (yuy2)
    PutTag(h, "YUY2");
  else
    Put32(h, 0);
  Put32(h, 0);     // flags
  Put16(h, 0);     // priority
  Put16(h, 0);     // language
  Put32(h, 0);     // initial frames
  Put32(h, fpsDen);  // scale
  Put32(h, fpsNum);  // rate
  Put32(h, 0);       // start
  Put32(h, 0);       // length, patched
  Put32(h, frameChunkBytes_);
  Put32(h, 0xFFFFFFFFu);  // quality: default
  Put32(h, 0);            // sample size: varies
  Put16(h, 0);
  Put16(h, 0);
  Put16(h, static_cast<uint32_t>(layout.width));
  Put16(h, static_cast<uint32_t>(layout.height));
  PutTag(h, "strf");
  Put32(h, 40);
  Put32(h, 40);
  Put32(h, static_cast<uint32_t>(layout.width));
  Put32(h, static_cast<uint32_t>(layout.height));  // positive: bottom-up DIBs; YUY2 ignores the sign
  Put16(h, 1);
  Put16(h, yuy2 ? 16 : 24);
  if (yuy2)
    PutTag(h, "YUY2");
  else
    Put32(h, 0);
  Put32(h, frameChunkBytes_);
  for (int i = 0; i < 4; ++i) Put32(h, 0);
  PutTag(h, "LIST");
  Put32(h, 0);  // movi size, patched
  PutTag(h, "movi");
  moviListPos_ = static_cast<uint32_t>(h.size() - 4);

  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  if (!WriteAll(file_, h.data(), h.size())) ok_ = false;
  return true;
}

uint64_t AviWriter::BytesWithNextFrame() const {
  const uint64_t chunk = 8 + static_cast<uint64_t>(frameChunkBytes_);
  return kAviHeaderBytes + (chunk + 16) * (static_cast<uint64_t>(frames_) + 1) + 8;
}

bool AviWriter::AddFrame(const uint8_t* frame) {
  if (!file_) return false;
  std::vector<uint8_t> head;
  PutTag(head, "00db");
  Put32(head, frameChunkBytes_);
  bool ok = WriteAll(file_, head.data(), head.size());
  if (layout_.format == kLayoutYuy2 || Dib24Stride(layout_.width) == layout_.RowBytes()) {
    ok = ok && WriteAll(file_, frame, frameChunkBytes_);
  } else {
    // Bottom-up rows already; only the padding to 4 bytes is added.
    row_.assign(Dib24Stride(layout_.width), 0);
    for (int32_t r = 0; r < layout_.height && ok; ++r) {
      std::memcpy(row_.data(), frame + layout_.RowBytes() * r, layout_.RowBytes());
      ok = WriteAll(file_, row_.data(), row_.size());
    }
  }
  if (!ok) ok_ = false;
  ++frames_;
  return ok;
}

bool AviWriter::Close() {
  if (!file_) return true;
  const uint32_t chunk = 8 + frameChunkBytes_;
  std::vector<uint8_t> index;
  PutTag(index, "idx1");
  Put32(index, 16 * frames_);
  for (uint32_t i = 0; i < frames_; ++i) {
    PutTag(index, "00db");
    Put32(index, 0x10);                 // AVIIF_KEYFRAME
    Put32(index, 4 + chunk * i);        // from the 'movi' fourcc
    Put32(index, frameChunkBytes_);
  }
  bool ok = ok_ && WriteAll(file_, index.data(), index.size());
  const uint32_t moviBytes = 4 + chunk * frames_;
  const uint32_t total = kAviHeaderBytes + chunk * frames_ + static_cast<uint32_t>(index.size());
  PutU32At(file_, 4, total - 8, &ok);
  PutU32At(file_, static_cast<long>(moviListPos_ - 4), moviBytes, &ok);
  PutU32At(file_, 12 + 8 + 4 + 8 + 16, frames_, &ok);            // avih total frames
  PutU32At(file_, 12 + 12 + 64 + 12 + 8 + 32, frames_, &ok);     // strh length
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  return ok;
}

}  // namespace hostsim
