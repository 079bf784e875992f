#include "pixel/frame_canvas.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "pixel/color_coefficients.h"
#include "pixel/frame_layout.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"

namespace qlv {

struct FrameCanvas::Ink {
  uint32_t pixel;  // colour bytes in frame order
  int32_t w;       // share of the old byte out of 256
  alignas(16) uint8_t pattern[2 * kernels::kPatternBytes];
};

// A lone first pixel, the bytes handed to the run kernels, a lone last pixel.
struct FrameCanvas::RowRun {
  LonePixel lead, tail;  // count 0: none
  int64_t first = 0;     // byte offset of the kernel run in the row
  int32_t bytes = 0;     // 0: no kernel run
};

namespace {

inline void BlendByte(uint8_t* p, uint32_t c, int32_t w) {
  int32_t cc = static_cast<int32_t>(c & 0xFF);
  *p = static_cast<uint8_t>(cc + (((*p - cc) * w) >> 8));  // arithmetic shift: floor
}

inline void BlendLone(uint8_t* row, const LonePixel& px, uint32_t pixel, int32_t w) {
  for (int32_t i = 0; i < px.count; ++i) BlendByte(row + px.offset[i], pixel >> (8 * px.colourByte[i]), w);
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
  bytesPerPixel_ = 0;
  rowStride_ = 0;
  frameBytes_ = 0;
  if (pixelFormat != PixelFormatYUV422 && pixelFormat != PixelFormatRGB24) return;
  if (width <= 0 || height <= 0) return;
  int32_t bpp = pixelFormat == PixelFormatYUV422 ? 2 : 3;
  uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * static_cast<uint64_t>(bpp);
  if (bytes > 0xFFFFFFFFull || bytes > SIZE_MAX) return;
  known_ = true;
  bytesPerPixel_ = bpp;
  rowStride_ = pixelFormat == PixelFormatYUV422 ? static_cast<ptrdiff_t>(2) * width : static_cast<ptrdiff_t>(-3) * width;
  frameBytes_ = static_cast<size_t>(bytes);
}

uint8_t* FrameCanvas::PixelAddress(uint8_t* frame, int32_t x, int32_t y) const {
  if (!known_) return frame;
  return RowAddress(frame, y) + static_cast<ptrdiff_t>(bytesPerPixel_) * x;
}

const uint8_t* FrameCanvas::PixelAddress(const uint8_t* frame, int32_t x, int32_t y) const {
  return PixelAddress(const_cast<uint8_t*>(frame), x, y);
}

uint8_t* FrameCanvas::RowAddress(uint8_t* frame, int64_t y) const {
  if (!known_) return frame;
  return PictureRow(frame, format_, y, height_, static_cast<int64_t>(bytesPerPixel_) * width_);
}

uint32_t FrameCanvas::ColorToYuvPair(uint32_t colorref) {
  const color::Yuv c = color::BgrToYuv((colorref >> 16) & 0xFF, (colorref >> 8) & 0xFF, colorref & 0xFF);
  const uint32_t y = c.y;
  return y | uint32_t{c.u} << 8 | y << 16 | uint32_t{c.v} << 24;
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

// An RGB24 run goes to the kernels whole. A YUY2 run goes by the pair rule: a first
// odd pixel alone, the whole pairs to the kernels, a last even pixel alone.
FrameCanvas::RowRun FrameCanvas::PlanRun(int64_t x0, int64_t x1) const {
  RowRun run;
  if (format_ == PixelFormatRGB24) {
    run.first = 3 * x0;
    run.bytes = static_cast<int32_t>(3 * (x1 - x0 + 1));
    return run;
  }
  const PairSpan span = SplitPairs(x0, x1 + 1);
  if (span.lead) run.lead = LonePixelBytes(format_, span.leadPixel(), width_);
  run.first = 2 * span.at;
  run.bytes = static_cast<int32_t>(4 * span.pairs);
  if (span.tail) run.tail = LonePixelBytes(format_, span.tailPixel(), width_);
  return run;
}

void FrameCanvas::BlendRun(uint8_t* row, const RowRun& run, const Ink& ink) const {
  BlendLone(row, run.lead, ink.pixel, ink.w);
  if (run.bytes > 0) {
    if (ink.w == 0)
      kernels_->fillColorRun(row + run.first, run.bytes, ink.pattern);
    else
      kernels_->blendColorRun(row + run.first, run.bytes, ink.pattern, ink.w);
  }
  BlendLone(row, run.tail, ink.pixel, ink.w);
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
  BlendRun(RowAddress(frame, y), PlanRun(std::max<int64_t>(a, 0), std::min<int64_t>(b, width_ - 1)), ink);
}

void FrameCanvas::VSpan(uint8_t* frame, int64_t x, int64_t y1, int64_t y2, bool inclusive, const Ink& ink) const {
  int64_t a, b;
  OrderRun(y1, y2, inclusive, &a, &b);
  if (a > b || b < 0 || a >= height_ || x < 0 || x >= width_) return;
  a = std::max<int64_t>(a, 0);
  b = std::min<int64_t>(b, height_ - 1);
  const LonePixel px = LonePixelBytes(format_, x, width_);
  for (int64_t y = a; y <= b; ++y) BlendLone(RowAddress(frame, y), px, ink.pixel, ink.w);
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
  const RowRun run = PlanRun(l, r - 1);  // the same bytes of every row
  for (int32_t y = t; y < b; ++y) BlendRun(RowAddress(frame, y), run, ink);
}

void FrameCanvas::FillOpaqueRect(uint8_t* frame, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t pixel) const {
  if (!known_ || !frame) return;
  l = std::max(l, 0);
  t = std::max(t, 0);
  r = std::min(r, width_);
  b = std::min(b, height_);
  const bool yuv = format_ == PixelFormatYUV422;
  if (yuv) {
    l += l & 1;
    r &= ~1;
  }
  if (l >= r || t >= b) return;
  // A pixel's bytes (a pair's in YUV) from the colour's byte 0 on, wherever it lies.
  const int32_t unit = yuv ? 4 : 3;
  const ptrdiff_t from = static_cast<ptrdiff_t>(bytesPerPixel_) * l, to = static_cast<ptrdiff_t>(bytesPerPixel_) * r;
  for (int32_t y = t; y < b; ++y) {
    uint8_t* const row = RowAddress(frame, y);
    for (ptrdiff_t at = from; at < to; at += unit) std::memcpy(row + at, &pixel, static_cast<size_t>(unit));
  }
}

void FrameCanvas::BlendColumns(uint8_t* frame, const int32_t* xs, int32_t count, const RowRange* ranges,
                               int32_t rangeCount, uint32_t color, int32_t opacity) const {
  if (!known_ || !frame || !xs || !ranges) return;
  const Ink ink = MakeInk(color, opacity);
  // Byte offsets within a row and their colour bytes, by the rules for a pixel written alone.
  std::vector<std::pair<int32_t, uint8_t>> bytes;
  bytes.reserve(3 * static_cast<size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) {
    int32_t x = xs[i];
    if (x < 0 || x >= width_) continue;
    const LonePixel px = LonePixelBytes(format_, x, width_);
    for (int32_t c = 0; c < px.count; ++c)
      bytes.emplace_back(static_cast<int32_t>(px.offset[c]), static_cast<uint8_t>(ink.pixel >> (8 * px.colourByte[c])));
  }
  const int32_t rowBytes = bytesPerPixel_ * width_;
  std::vector<kernels::ByteWindow> windows;
  if (rowBytes >= 8) {
    // Gather the bytes into 8-byte windows inside the row, each byte in exactly one window.
    if (!std::is_sorted(bytes.begin(), bytes.end())) std::sort(bytes.begin(), bytes.end());
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
  }
  for (int32_t k = 0; k < rangeCount; ++k) {
    const int32_t y1 = std::max(ranges[k].y1, 0), y2 = std::min(ranges[k].y2, height_);
    if (y1 >= y2) continue;
    if (rowBytes < 8) {  // too narrow for a window
      for (int32_t y = y1; y < y2; ++y) {
        uint8_t* row = RowAddress(frame, y);
        for (const auto& b : bytes) BlendByte(row + b.first, b.second, ink.w);
      }
      continue;
    }
    kernels_->blendWindowsRows(RowAddress(frame, y1), rowStride_, y2 - y1, windows.data(),
                               static_cast<int32_t>(windows.size()), ink.w);
  }
}

namespace {

// dst[0 .. n) = period[i % p], by doubling copies: a few calls per run instead of a loop per byte.
void FillPeriodic(uint16_t* dst, int32_t n, const uint16_t* period, int32_t p) {
  if (n <= 0) return;
  const int32_t head = std::min(n, p);
  std::memcpy(dst, period, sizeof(uint16_t) * static_cast<size_t>(head));
  for (int32_t done = head; done < n;) {
    const int32_t copy = std::min(done - done % p, n - done);
    std::memcpy(dst + done, dst, sizeof(uint16_t) * static_cast<size_t>(copy));
    done += copy;
  }
}

}  // namespace

void FrameCanvas::ClearRowInks(RowInks& inks) const {
  const size_t rowBytes = known_ ? static_cast<size_t>(bytesPerPixel_) * static_cast<size_t>(width_) : 0;
  if (inks.weight.size() != rowBytes || inks.share.size() != rowBytes) {
    inks.weight.assign(rowBytes, 256);
    inks.share.assign(rowBytes, 0);
  } else if (inks.first < inks.end) {  // only what the last runs set
    const uint16_t keep[2] = {256, 0};
    FillPeriodic(inks.weight.data() + inks.first, inks.end - inks.first, keep, 1);
    FillPeriodic(inks.share.data() + inks.first, inks.end - inks.first, keep + 1, 1);
  }
  inks.first = static_cast<int32_t>(rowBytes);
  inks.end = 0;
}

void FrameCanvas::AddRowInk(RowInks& inks, int32_t x1, int32_t x2, uint32_t color, int32_t opacity) const {
  if (!known_ || inks.weight.size() != static_cast<size_t>(bytesPerPixel_) * static_cast<size_t>(width_)) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, width_);
  const int32_t w = BlendWeight(opacity);
  if (x1 >= x2 || w == 256) return;  // weight 256 keeps every byte
  const uint32_t pixel = ColorToPixel(color);
  const uint16_t weight[4] = {static_cast<uint16_t>(w), static_cast<uint16_t>(w), static_cast<uint16_t>(w),
                              static_cast<uint16_t>(w)};
  uint16_t share[4];
  for (int k = 0; k < 4; ++k) share[k] = static_cast<uint16_t>(((pixel >> (8 * k)) & 0xFF) * static_cast<uint32_t>(256 - w));
  // Bytes [b, b + n) in the colour bytes from `phase` on, with period p.
  auto set = [&](int32_t b, int32_t n, int32_t phase, int32_t p) {
    uint16_t periodShare[4];
    for (int32_t k = 0; k < p; ++k) periodShare[k] = share[(phase + k) % 4];
    FillPeriodic(inks.weight.data() + b, n, weight, 1);
    FillPeriodic(inks.share.data() + b, n, periodShare, p);
  };
  if (format_ == PixelFormatRGB24) {
    set(3 * x1, 3 * (x2 - x1), 0, 3);
    inks.first = std::min(inks.first, 3 * x1);
    inks.end = std::max(inks.end, 3 * x2);
    return;
  }
  // The pair rule of the fills; `last` ends the bytes set.
  auto setLone = [&](const LonePixel& px) {
    for (int32_t c = 0; c < px.count; ++c) set(static_cast<int32_t>(px.offset[c]), 1, px.colourByte[c], 1);
    return static_cast<int32_t>(px.offset[px.count - 1]) + 1;
  };
  const PairSpan span = SplitPairs(x1, x2);
  int32_t last = 2 * x1 + 1;
  if (span.lead) setLone(LonePixelBytes(format_, span.leadPixel(), width_));
  set(static_cast<int32_t>(2 * span.at), static_cast<int32_t>(4 * span.pairs), 0, 4);
  last = std::max(last, static_cast<int32_t>(2 * span.tailPixel()));
  if (span.tail) last = setLone(LonePixelBytes(format_, span.tailPixel(), width_));
  inks.first = std::min(inks.first, 2 * x1);
  inks.end = std::max(inks.end, last);
}

void FrameCanvas::BlendRowInks(uint8_t* frame, int32_t y1, int32_t y2, const RowInks& inks) const {
  if (!known_ || !frame || inks.first >= inks.end) return;
  if (inks.weight.size() != static_cast<size_t>(bytesPerPixel_) * static_cast<size_t>(width_)) return;
  y1 = std::max(y1, 0);
  y2 = std::min(y2, height_);
  for (int32_t y = y1; y < y2; ++y)
    kernels_->blendInkRow(RowAddress(frame, y) + inks.first, inks.end - inks.first, inks.weight.data() + inks.first,
                          inks.share.data() + inks.first);
}

}  // namespace qlv
