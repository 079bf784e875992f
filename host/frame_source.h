// Raw video in the host's layouts, read from a file or from standard input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "media_files.h"

namespace hostsim {

// Input files hold frames back to back with no header, rows without padding, as
// ffmpeg writes `-f rawvideo -pix_fmt yuyv422` or `-pix_fmt bgr24`. Both are top row
// first; the host's RGB24 layout is bottom row first, so RGB rows are flipped on
// the way in (and flipped back by WriteInputLayout on the way out).
class FrameSource {
 public:
  // Does not take ownership of `file`. `rgbBottomUp`: the RGB24 input is already bottom-up.
  FrameSource(std::FILE* file, const FrameLayout& layout, bool rgbBottomUp = false);

  // Reads the next frame into `hostFrame` (FrameBytes() bytes) in the host's layout.
  // False at the end of the input; a trailing partial frame is dropped.
  bool Next(uint8_t* hostFrame);

  // Writes a frame held in the host's layout back in the input's layout.
  bool WriteInputLayout(std::FILE* out, const uint8_t* hostFrame);

  // Starts the input again from its first frame; false for a pipe.
  bool Rewind();

  bool partialFrameDropped() const { return partial_; }
  uint64_t framesRead() const { return framesRead_; }

 private:
  bool NeedsFlip() const { return layout_.format == kLayoutRgb24 && !rgbBottomUp_; }

  std::FILE* file_;
  FrameLayout layout_;
  bool rgbBottomUp_;
  bool partial_ = false;
  uint64_t framesRead_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace hostsim
