#include "pixel/frame_canvas.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "pixel/color_coefficients.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"

namespace qlv {

struct FrameCanvas::Ink {
  uint32_t pixel;  // colour bytes in frame order
  int32_t w;       // share of the old byte out of 256
  alignas(16) uint8_t pattern[2 * kernels::kPatternBytes];
};

namespace {

inline uint8_t Clamp255(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

inline void BlendByte(uint8_t* p, uint32_t c, int32_t w) {
  int32_t cc = static_cast<int32_t>(c & 0xFF);
  *p = static_cast<uint8_t>(cc + (((*p - cc) * w) >> 8));  // arithmetic shift: floor
}

}  // namespace

FrameCanvas::FrameCanvas() : kernels_(&kernels::ActiveKernels()) {}

void FrameCanvas::SetKernelLevel(kernels::KernelLevel level) {
  const kernels::KernelSet* k = kernels::KernelsFor(level);
  kernels_ = k ? k : &kernels::ActiveKernels();
}

void FrameCanvas::SetGeometry(int32_t width, int32_t height, int32_t pixelFormat) {
  width_ = width;
  height_ = height;
  format_ = pixelFormat;
  known_ = false;
  bytesPerPixel_ = pairStep_ = quadStep_ = 0;
  rowStride_ = 0;
  frameBytes_ = 0;
  if (pixelFormat != PixelFormatYUV422 && pixelFormat != PixelFormatRGB24) return;
  if (width <= 0 || height <= 0) return;
  int32_t bpp = pixelFormat == PixelFormatYUV422 ? 2 : 3;
  uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * static_cast<uint64_t>(bpp);
  if (bytes > 0xFFFFFFFFull || bytes > SIZE_MAX) return;
  known_ = true;
  bytesPerPixel_ = bpp;
  pairStep_ = 2 * bpp;
  quadStep_ = 4 * bpp;
  rowStride_ = pixelFormat == PixelFormatYUV422 ? static_cast<ptrdiff_t>(2) * width : static_cast<ptrdiff_t>(-3) * width;
  frameBytes_ = static_cast<size_t>(bytes);
}

uint8_t* FrameCanvas::PixelAddress(uint8_t* frame, int32_t x, int32_t y) const {
  if (!known_) return frame;
  size_t row = format_ == PixelFormatYUV422 ? static_cast<size_t>(y) : static_cast<size_t>(height_ - 1 - y);
  return frame + static_cast<size_t>(bytesPerPixel_) * (static_cast<size_t>(x) + static_cast<size_t>(width_) * row);
}

const uint8_t* FrameCanvas::PixelAddress(const uint8_t* frame, int32_t x, int32_t y) const {
  return PixelAddress(const_cast<uint8_t*>(frame), x, y);
}

uint8_t* FrameCanvas::RowAddress(uint8_t* frame, int64_t y) const {
  return PixelAddress(frame, 0, static_cast<int32_t>(y));
}

uint32_t FrameCanvas::ColorToYuvPair(uint32_t colorref) {
  int32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
  uint32_t y = Clamp255(color::Luma(b, g, r));
  uint32_t u = Clamp255(color::ChromaB(b, g, r) + 128);
  uint32_t v = Clamp255(color::ChromaR(b, g, r) + 128);
  return y | u << 8 | y << 16 | v << 24;
}

uint32_t FrameCanvas::ColorToPixel(uint32_t colorref) const {
  if (format_ == PixelFormatYUV422) return ColorToYuvPair(colorref);
  uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
  return b | g << 8 | r << 16;
}

int32_t FrameCanvas::BlendWeight(int32_t opacity) {
  opacity = std::min(100, std::max(0, opacity));
  return MulDiv(100 - opacity, 256, 100);
}

FrameCanvas::Ink FrameCanvas::MakeInk(uint32_t color, int32_t opacity) const {
  Ink ink;
  ink.pixel = ColorToPixel(color);
  ink.w = BlendWeight(opacity);
  kernels::MakePattern(ink.pixel, format_ == PixelFormatYUV422 ? 4 : 3, ink.pattern);
  return ink;
}

// Columns x0..x1 of one row, by the pair rules: a first odd pixel alone (Y1), whole pairs,
// then a last even pixel alone (Y0, U, V). At the end of an odd-width row the last even
// pixel has no V byte within the row: only its luma is written.
void FrameCanvas::BlendRow(uint8_t* frame, int64_t x0, int64_t x1, int64_t y, const Ink& ink) const {
  uint8_t* row = RowAddress(frame, y);
  const kernels::KernelSet& k = *kernels_;
  if (format_ == PixelFormatRGB24) {
    uint8_t* p = row + 3 * x0;
    int32_t bytes = static_cast<int32_t>(3 * (x1 - x0 + 1));
    if (ink.w == 0)
      k.fillColorRun(p, bytes, ink.pattern);
    else
      k.blendColorRun(p, bytes, ink.pattern, ink.w);
    return;
  }
  int64_t x = x0;
  if (x & 1) {
    BlendByte(row + 2 * x, ink.pixel >> 16, ink.w);
    ++x;
  }
  int64_t pairs = (x1 - x + 1) / 2;
  if (pairs > 0) {
    if (ink.w == 0)
      k.fillColorRun(row + 2 * x, static_cast<int32_t>(4 * pairs), ink.pattern);
    else
      k.blendColorRun(row + 2 * x, static_cast<int32_t>(4 * pairs), ink.pattern, ink.w);
    x += 2 * pairs;
  }
  if (x <= x1) {
    uint8_t* p = row + 2 * x;
    BlendByte(p, ink.pixel, ink.w);
    if (x + 1 < width_) {
      BlendByte(p + 1, ink.pixel >> 8, ink.w);
      BlendByte(p + 3, ink.pixel >> 24, ink.w);
    }
  }
}

// The run between two ends, first to last; without `inclusive` the second end
// given is the one left out.
static void OrderRun(int64_t e1, int64_t e2, bool inclusive, int64_t* first, int64_t* last) {
  if (e2 >= e1) {
    *first = e1;
    *last = inclusive ? e2 : e2 - 1;
  } else {
    *first = inclusive ? e2 : e2 + 1;
    *last = e1;
  }
}

void FrameCanvas::HSpan(uint8_t* frame, int64_t x1, int64_t x2, int64_t y, bool inclusive, const Ink& ink) const {
  int64_t a, b;
  OrderRun(x1, x2, inclusive, &a, &b);
  if (a > b || b < 0 || a >= width_ || y < 0 || y >= height_) return;
  BlendRow(frame, std::max<int64_t>(a, 0), std::min<int64_t>(b, width_ - 1), y, ink);
}

void FrameCanvas::VSpan(uint8_t* frame, int64_t x, int64_t y1, int64_t y2, bool inclusive, const Ink& ink) const {
  int64_t a, b;
  OrderRun(y1, y2, inclusive, &a, &b);
  if (a > b || b < 0 || a >= height_ || x < 0 || x >= width_) return;
  a = std::max<int64_t>(a, 0);
  b = std::min<int64_t>(b, height_ - 1);
  for (int64_t y = a; y <= b; ++y) {
    uint8_t* row = RowAddress(frame, y);
    if (format_ == PixelFormatRGB24) {
      uint8_t* p = row + 3 * x;
      BlendByte(p, ink.pixel, ink.w);
      BlendByte(p + 1, ink.pixel >> 8, ink.w);
      BlendByte(p + 2, ink.pixel >> 16, ink.w);
    } else if (x & 1) {
      BlendByte(row + 2 * x, ink.pixel >> 16, ink.w);  // Y1 only: chroma stays
    } else {
      uint8_t* p = row + 2 * x;
      BlendByte(p, ink.pixel, ink.w);
      if (x + 1 < width_) {
        BlendByte(p + 1, ink.pixel >> 8, ink.w);
        BlendByte(p + 3, ink.pixel >> 24, ink.w);
      }
    }
  }
}

void FrameCanvas::BlendHSpan(uint8_t* frame, int32_t x1, int32_t x2, int32_t y, bool inclusive, uint32_t color,
                             int32_t opacity) const {
  if (!known_ || !frame) return;
  HSpan(frame, x1, x2, y, inclusive, MakeInk(color, opacity));
}

void FrameCanvas::BlendVSpan(uint8_t* frame, int32_t x, int32_t y1, int32_t y2, bool inclusive, uint32_t color,
                             int32_t opacity) const {
  if (!known_ || !frame) return;
  VSpan(frame, x, y1, y2, inclusive, MakeInk(color, opacity));
}

void FrameCanvas::BlendFrameRect(uint8_t* frame, int32_t l32, int32_t t32, int32_t r32, int32_t b32,
                                 int32_t lineWidth, uint32_t color, int32_t opacity) const {
  if (!known_ || !frame) return;
  // The most negative width stays negative when negated in 32 bits: nothing is drawn.
  if (lineWidth == 0 || lineWidth == INT32_MIN) return;
  int64_t l = l32, t = t32, r = r32, b = b32, n = lineWidth;
  if (n < 0) {
    l += n;
    t += n;
    r -= n;
    b -= n;
    n = -n;
  }
  const Ink ink = MakeInk(color, opacity);
  const int64_t W = width_, H = height_;
  for (int64_t k = 0; k < n; ++k) {
    // An empty ring draws nothing, nor does any ring inside it; neither does a ring that
    // lies wholly beyond one side of the frame.
    if (r - l <= 0 || b - t <= 0) break;
    if (l >= W || t >= H || r <= 0 || b <= 0) break;
    if (l < 0 && t < 0 && r > W && b > H) {  // ring around the frame: skip to the first that touches it
      int64_t s = std::min({-l, -t, r - W, b - H, n - k});
      l += s;
      t += s;
      r -= s;
      b -= s;
      k += s - 1;
      continue;
    }
    int64_t R = r - 1, B = b - 1;
    HSpan(frame, l, R, t, false, ink);  // top, left .. R - 1
    VSpan(frame, R, t, B, false, ink);  // right, top .. B - 1
    HSpan(frame, R, l, B, false, ink);  // bottom, left + 1 .. R
    VSpan(frame, l, B, t, false, ink);  // left, top + 1 .. B
    ++l;
    ++t;
    --r;
    --b;
  }
}

void FrameCanvas::BlendFillRect(uint8_t* frame, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color,
                                int32_t opacity) const {
  if (!known_ || !frame) return;
  if (l >= width_ || t >= height_ || r <= 0 || b <= 0) return;
  l = std::max(l, 0);
  t = std::max(t, 0);
  r = std::min(r, width_);
  b = std::min(b, height_);
  if (l >= r || t >= b) return;
  const Ink ink = MakeInk(color, opacity);
  // One row routine per call: RGB24 opaque or blended; YUV opaque or blended, with a lone
  // odd first pixel when l is odd. BlendRow picks the same for every row of the rectangle.
  for (int32_t y = t; y < b; ++y) BlendRow(frame, l, r - 1, y, ink);
}

void FrameCanvas::BlendColumns(uint8_t* frame, const int32_t* xs, int32_t count, int32_t y1, int32_t y2,
                               uint32_t color, int32_t opacity) const {
  if (!known_ || !frame || !xs) return;
  y1 = std::max(y1, 0);
  y2 = std::min(y2, height_);
  if (y1 >= y2) return;
  const Ink ink = MakeInk(color, opacity);
  // Byte offsets within a row and their colour bytes, by the rules for a pixel written alone.
  std::vector<std::pair<int32_t, uint8_t>> bytes;
  for (int32_t i = 0; i < count; ++i) {
    int32_t x = xs[i];
    if (x < 0 || x >= width_) continue;
    if (format_ == PixelFormatRGB24) {
      for (int32_t c = 0; c < 3; ++c) bytes.emplace_back(3 * x + c, static_cast<uint8_t>(ink.pixel >> (8 * c)));
    } else if (x & 1) {
      bytes.emplace_back(2 * x, static_cast<uint8_t>(ink.pixel >> 16));
    } else {
      bytes.emplace_back(2 * x, static_cast<uint8_t>(ink.pixel));
      if (x + 1 < width_) {
        bytes.emplace_back(2 * x + 1, static_cast<uint8_t>(ink.pixel >> 8));
        bytes.emplace_back(2 * x + 3, static_cast<uint8_t>(ink.pixel >> 24));
      }
    }
  }
  const int32_t rowBytes = bytesPerPixel_ * width_;
  if (rowBytes < 8) {  // too narrow for a window
    for (int32_t y = y1; y < y2; ++y) {
      uint8_t* row = RowAddress(frame, y);
      for (const auto& b : bytes) BlendByte(row + b.first, b.second, ink.w);
    }
    return;
  }
  // Gather the bytes into 8-byte windows inside the row, each byte in exactly one window.
  std::sort(bytes.begin(), bytes.end());
  std::vector<kernels::ByteWindow> windows;
  for (const auto& b : bytes) {
    if (windows.empty() || b.first >= windows.back().offset + 8) {
      kernels::ByteWindow win = {};
      win.offset = std::min(b.first, rowBytes - 8);
      windows.push_back(win);
    }
    kernels::ByteWindow& win = windows.back();
    win.mask[b.first - win.offset] = 0xFF;
    win.colour[b.first - win.offset] = b.second;
  }
  kernels_->blendWindowsRows(RowAddress(frame, y1), rowStride_, y2 - y1, windows.data(),
                             static_cast<int32_t>(windows.size()), ink.w);
}

void FrameCanvas::ConvertToSample(const uint8_t* frame, uint32_t* sample) const {
  if (!known_ || !frame || !sample) return;
  const kernels::KernelSet& k = *kernels_;
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* src = PixelAddress(frame, 0, y);
    uint32_t* dst = sample + static_cast<size_t>(width_) * static_cast<size_t>(height_ - 1 - y);
    if (format_ == PixelFormatYUV422)
      k.yuyvToSample(src, dst, width_);
    else
      k.rgb24ToSample(src, dst, width_);
  }
}

}  // namespace qlv
