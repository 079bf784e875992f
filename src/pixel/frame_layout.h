// Where a picture row and a pixel's bytes lie in the host's frames: the one statement of
// the row orders and of the YUY2 pair rule, read by the canvas, the compositor and the
// detector's sample conversion.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixel/pixel_format.h"

namespace qlv {

// Memory row of picture row y among `rows`, in the row order of `format`: YUY2 top row
// first; RGB24 bottom row first, as are the detector's samples and the painted layers.
constexpr int64_t MemoryRow(int32_t format, int64_t y, int64_t rows) {
  return format == PixelFormatRGB24 ? rows - 1 - y : y;
}

// Start of picture row y of an image whose memory rows lie `pitch` elements apart.
template <typename T>
T* PictureRow(T* image, int32_t format, int64_t y, int64_t rows, int64_t pitch) {
  return image + static_cast<ptrdiff_t>(MemoryRow(format, y, rows) * pitch);
}

// Pixels [first, end) of a YUY2 row (Y0 U Y1 V per pair) by the pair rule: an odd first
// pixel stands alone, then come whole pairs, then an even last pixel alone.
struct PairSpan {
  bool lead = false;   // pixel at - 1 stands alone
  int64_t at = 0;      // first pixel of the whole pairs; even
  int64_t pairs = 0;   // whole pairs from `at`
  bool tail = false;   // pixel at + 2 * pairs stands alone
  int64_t leadPixel() const { return at - 1; }
  int64_t tailPixel() const { return at + 2 * pairs; }
};

constexpr PairSpan SplitPairs(int64_t first, int64_t end) {
  PairSpan s;
  s.lead = (first & 1) != 0 && first < end;
  s.at = first + (first & 1);
  const int64_t rest = end > s.at ? end - s.at : 0;
  s.pairs = rest / 2;
  s.tail = (rest & 1) != 0;
  return s;
}

// The bytes of pixel x of a row written alone: offsets from the row's start, and which
// byte of the frame-order colour (B, G, R; or Y0, U, Y1, V of the pair) each one takes.
// RGB24 pixels own their three bytes. A YUY2 odd pixel owns its Y1 only (its chroma is
// its partner's too); an even pixel its Y0, U and V, or only its Y0 as the last pixel of
// an odd-width row, whose pair has no V byte within the row.
struct LonePixel {
  int32_t count = 0;
  int64_t offset[3] = {0, 0, 0};
  uint8_t colourByte[3] = {0, 0, 0};
};

inline LonePixel LonePixelBytes(int32_t format, int64_t x, int64_t width) {
  LonePixel p;
  if (format == PixelFormatRGB24) {
    p.count = 3;
    for (int32_t c = 0; c < 3; ++c) {
      p.offset[c] = 3 * x + c;
      p.colourByte[c] = static_cast<uint8_t>(c);
    }
  } else if (x & 1) {
    p.count = 1;
    p.offset[0] = 2 * x;
    p.colourByte[0] = 2;
  } else {
    p.count = x + 1 < width ? 3 : 1;
    p.offset[0] = 2 * x;
    p.offset[1] = 2 * x + 1;
    p.offset[2] = 2 * x + 3;
    p.colourByte[1] = 1;
    p.colourByte[2] = 3;
  }
  return p;
}

}  // namespace qlv
