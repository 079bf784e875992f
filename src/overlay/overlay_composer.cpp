#include "overlay/overlay_composer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pixel/color_coefficients.h"
#include "pixel/exact_double.h"
#include "pixel/frame_layout.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"

namespace qlv {
namespace {

// No buffer of the compositing may exceed this; a request beyond it draws nothing.
constexpr uint64_t kMaxBufferBytes = uint64_t{256} << 20;

constexpr double kPi = 3.141592653589793;
constexpr double kPiThird = 1.0471975511965979;

OverlayRect Intersect(const OverlayRect& a, const OverlayRect& b) {
  OverlayRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (r.empty()) return OverlayRect{};
  return r;
}

double Sinc(double t) { return t < 1e-9 ? 1.0 : ExactSin(t) / t; }

void PutInt32(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

uint8_t BlendOne(int32_t d, int32_t s, int32_t a, int32_t o, int32_t op) {
  int32_t t = ((a * (d - o)) >> 8) + o;
  return color::SaturateByte(d + (((s - t) * op) >> 8));
}

// Pixel x of a YUV row written alone, from its prepared pixel Y, Cb, Cr, A with that
// pixel's coverage: the lumas take Y, U and V take Cb and Cr about 128.
void BlendLoneYuv(uint8_t* row, int64_t x, int64_t width, const uint8_t* p, int32_t op) {
  const int32_t a = p[3] + (p[3] >> 7);
  const LonePixel px = LonePixelBytes(PixelFormatYUV422, x, width);
  for (int32_t i = 0; i < px.count; ++i) {
    const int32_t c = px.colourByte[i];  // Y0, U, Y1, V
    const bool chroma = (c & 1) != 0;
    uint8_t* d = row + px.offset[i];
    *d = BlendOne(*d, p[chroma ? (c + 1) / 2 : 0], a, chroma ? 128 : 0, op);
  }
}

}  // namespace

OverlayGeometry GeometryOf(const FrameCanvas& canvas) {
  return OverlayGeometry{canvas.width(), canvas.height(), canvas.IsKnownFormat() ? canvas.pixelFormat() : -1};
}

bool NeedsReallocation(int32_t need, int32_t capacity, int32_t grow, int32_t shrink) {
  return need > capacity || need < MulDiv(capacity, 100 - shrink, 100 + grow);
}

int32_t GrownCapacity(int32_t need, int32_t grow) { return MulDiv(need, 100 + grow, 100); }

bool AlignedBuffer::Allocate(size_t bytes) {
  Free();
  if (bytes == 0) return true;
  // Room for the alignment and the stored offset in front of the block.
  if (bytes > SIZE_MAX - 32) return false;
  auto* raw = static_cast<uint8_t*>(std::malloc(bytes + 32));
  if (!raw) return false;
  uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + 16 + 15) & ~uintptr_t{15};
  uint8_t* p = reinterpret_cast<uint8_t*>(aligned);
  std::memcpy(p - sizeof(uint8_t*), &raw, sizeof raw);
  data_ = p;
  bytes_ = bytes;
  return true;
}

void AlignedBuffer::Free() {
  if (data_) {
    uint8_t* raw;
    std::memcpy(&raw, data_ - sizeof(uint8_t*), sizeof raw);
    std::free(raw);
  }
  data_ = nullptr;
  bytes_ = 0;
}

double LanczosWeight(double x) {
  double ax = x < 0 ? -x : x;
  if (ax >= 3.0) return 0.0;
  return Sinc(kPi * ax) * Sinc(kPiThird * ax);
}

// The double arithmetic lives in functions of its own, called inside the scope,
// so none of it can be scheduled before the control word is set.
__attribute__((noinline)) static int32_t TapsExact(int32_t a, int32_t b) {
  double f = static_cast<double>(b) / a;
  if (!(f < 1.0)) f = 1.0;
  double radius = 3.0 / f;
  return static_cast<int32_t>(std::ceil(2.0 * radius));
}

int32_t FilterTaps(int32_t a, int32_t b) {
  if (a <= 0 || b <= 0) return 0;
  ExactDoubleScope exact;
  return TapsExact(a, b);
}

__attribute__((noinline)) static int32_t BuildExact(int32_t a, int32_t b, int32_t start, int32_t count,
                                                    int32_t step, uint8_t* table) {
  double f = static_cast<double>(b) / a;
  if (!(f < 1.0)) f = 1.0;  // downscaling widens the kernel, upscaling keeps it
  const double radius = 3.0 / f;
  const int32_t taps = static_cast<int32_t>(std::ceil(2.0 * radius));
  std::vector<double> weights(taps > 0 ? static_cast<size_t>(taps) : 1);
  uint8_t* entry = table;
  for (int32_t i = start; i < start + count; ++i) {
    // Destination centre (i + 0.5) * a / b; m is the first tap's source coordinate.
    double m = static_cast<double>(i) * a / b + 0.5 * a / b - radius;
    const double u = std::floor(m) - m + 0.5 - radius;
    const int32_t offset = m >= 0 ? static_cast<int32_t>(std::trunc(m)) * step : 0;
    int32_t n = 0;
    double sum = 0;
    for (int32_t j = 0; j < taps; ++j) {
      if (0 <= m && m < a) {  // taps outside the source are dropped, the rest renormalised
        double w = LanczosWeight(f * (j + u));
        weights[n++] = w;
        sum += w;
      }
      m += 1.0;
    }
    if (taps <= 0 || sum == 0) sum = 1.0;
    const double scale = 1 / sum;
    PutInt32(entry, offset);
    PutInt32(entry + 4, n);
    for (int32_t k = 0; k < n; ++k) {
      int16_t q = static_cast<int16_t>(static_cast<int32_t>(std::trunc(weights[k] * scale * 16384 + 0.5)));
      for (int lane = 0; lane < 4; ++lane) std::memcpy(entry + 8 + 8 * k + 2 * lane, &q, sizeof q);
    }
    entry += 8 + 8 * n;
  }
  return taps;
}

int32_t BuildFilterTable(int32_t a, int32_t b, int32_t start, int32_t count, int32_t step, uint8_t* table) {
  if (a <= 0 || b <= 0) return 0;
  ExactDoubleScope exact;
  return BuildExact(a, b, start, count, step, table);
}

bool FilterTable::Ensure(const FilterKey& key) {
  if (valid_ && key == key_) return true;
  valid_ = false;
  const int32_t taps = FilterTaps(key.sourceSpan, key.destinationSpan);
  const int32_t count = key.clipLength;
  if (taps <= 0 || count <= 0 || taps > (INT32_MAX - 8) / 8) return false;
  const int32_t entry = 8 + 8 * taps;
  if (NeedsReallocation(count, capacityEntries_, 30, 30) || entry > entryBytes_) {
    buffer_.Free();
    capacityEntries_ = 0;
    entryBytes_ = 0;
    const int32_t capacity = GrownCapacity(count, 30);
    const uint64_t bytes = static_cast<uint64_t>(capacity) * static_cast<uint64_t>(entry);
    if (capacity < count || bytes > kMaxBufferBytes || !buffer_.Allocate(static_cast<size_t>(bytes))) return false;
    capacityEntries_ = capacity;
    entryBytes_ = entry;
  }
  taps_ = BuildFilterTable(key.sourceSpan, key.destinationSpan, key.clipOffset, count, key.sourceStep,
                           buffer_.data());
  key_ = key;
  valid_ = true;
  ++builds_;
  return true;
}

void FilterTable::Reset() {
  buffer_.Free();
  capacityEntries_ = entryBytes_ = taps_ = 0;
  valid_ = false;
  key_ = FilterKey{};
}

void ConvertPixelsToYCbCr(uint8_t* p, int32_t count) {
  for (int32_t i = 0; i < count; ++i, p += 4) {
    const color::Yuv c = color::BgrToYuv(p[0], p[1], p[2]);
    p[0] = c.y;
    p[1] = c.u;
    p[2] = c.v;
  }
}

OverlayComposer::OverlayComposer() : kernels_(&kernels::ActiveKernels()) {}

OverlayComposer::OverlayComposer(kernels::KernelLevel level) {
  const kernels::KernelSet* k = kernels::KernelsFor(level);
  kernels_ = k ? k : &kernels::ActiveKernels();
}

void OverlayComposer::ForgetTables() {
  horizontal_.Reset();
  vertical_.Reset();
}

void OverlayComposer::Release() {
  ForgetTables();
  overlay_.Free();
  row_.Free();
  capW_ = capH_ = rowCapacity_ = 0;
  prepared_ = OverlayRect{};
  preparedFor_ = OverlayGeometry{};
}

void OverlayComposer::PrepareOverlay(const uint8_t* layerPixels, int32_t capW, int32_t capH, OverlayRect used,
                                     int32_t sx, int32_t sy, const OverlayGeometry& frame) {
  prepared_ = OverlayRect{};
  preparedFor_ = frame;
  if (!frame.known() || !layerPixels || capW <= 0 || capH <= 0) return;
  const int32_t w = MulDiv(frame.width, sx, 1000);
  const int32_t h = MulDiv(frame.height, sy, 1000);
  if (w <= 0 || h <= 0) return;
  if (NeedsReallocation(w, capW_, 25, 25) || NeedsReallocation(h, capH_, 25, 25)) {
    overlay_.Free();
    capW_ = capH_ = 0;
    const int32_t cw = GrownCapacity(w, 25), ch = GrownCapacity(h, 25);
    const uint64_t bytes = static_cast<uint64_t>(cw > 0 ? cw : 0) * static_cast<uint64_t>(ch > 0 ? ch : 0) * 4;
    if (cw < w || ch < h || bytes > kMaxBufferBytes || !overlay_.Allocate(static_cast<size_t>(bytes))) return;
    capW_ = cw;
    capH_ = ch;
  }
  prepared_ = OverlayRect{0, 0, w, h};
  // Content that could not be made is not shown (rather than stale bytes).
  if (!ResampleLayer(layerPixels, capW, capH, used, frame.pixelFormat)) prepared_ = OverlayRect{};
}

bool OverlayComposer::ResampleLayer(const uint8_t* pixels, int32_t srcCapW, int32_t srcCapH, OverlayRect used,
                                    int32_t format) {
  const OverlayRect src = Intersect(used, OverlayRect{0, 0, srcCapW, srcCapH});
  const OverlayRect dst = Intersect(prepared_, OverlayRect{0, 0, capW_, capH_});
  if (src.empty() || dst.empty()) return false;

  if (NeedsReallocation(src.width(), rowCapacity_, 30, 100)) {
    row_.Free();
    rowCapacity_ = 0;
    const int32_t capacity = GrownCapacity(src.width(), 30);
    if (capacity < src.width() || !row_.Allocate(static_cast<size_t>(capacity) * 4)) return false;
    rowCapacity_ = capacity;
  }
  const int32_t stride = -4 * srcCapW;  // picture rows run bottom-up in the layer
  if (!vertical_.Ensure(FilterKey{src.height(), prepared_.height(), dst.top - prepared_.top, dst.height(), stride}))
    return false;
  if (!horizontal_.Ensure(FilterKey{src.width(), prepared_.width(), dst.left - prepared_.left, dst.width(), 4}))
    return false;

  const uint8_t* base = PictureRow(pixels, PixelFormatRGB24, src.top, srcCapH, 4 * srcCapW) + 4 * src.left;
  const uint8_t* ventry = vertical_.data();
  uint8_t* row = row_.data();
  for (int32_t y = dst.top; y < dst.bottom; ++y) {
    kernels_->resampleColumns(base, stride, src.width(), ventry, row);
    int32_t n;
    std::memcpy(&n, ventry + 4, sizeof n);
    ventry += 8 + 8 * n;
    // The prepared overlay keeps the frame's row order.
    uint8_t* out = PictureRow(overlay_.data(), format, y, capH_, 4 * capW_) + 4 * dst.left;
    kernels_->resampleRow(row, horizontal_.data(), dst.width(), out);
    if (format == OverlayGeometry::kYuv422) ConvertPixelsToYCbCr(out, dst.width());
  }
  return true;
}

void OverlayComposer::BlendOverlay(uint8_t* frame, int32_t px, int32_t py, int32_t opacity,
                                   const OverlayGeometry& geometry) const {
  if (!frame || !geometry.known() || prepared_.empty() || preparedFor_.pixelFormat != geometry.pixelFormat) return;
  const bool yuv = geometry.pixelFormat == OverlayGeometry::kYuv422;
  // A YUV row is whole pairs; an odd width never lets a pair reach past the row.
  const int64_t width = yuv ? (geometry.width & ~1) : geometry.width;
  const int64_t height = geometry.height;
  int64_t x = MulDiv(geometry.width, px, 1000);
  int64_t y = MulDiv(geometry.height, py, 1000);
  int64_t l = prepared_.left, t = prepared_.top, r = prepared_.right, b = prepared_.bottom;

  if (r - l <= 0 || x >= width) return;
  if (x < 0) { l -= x; x = 0; }
  if (l >= r) return;
  if (x + (r - l) > width) r = width - x + l;
  if (b - t <= 0 || y >= height) return;
  if (y < 0) { t -= y; y = 0; }
  if (t >= b) return;
  if (y + (b - t) > height) b = height - y + t;

  const int32_t clamped = opacity < 0 ? 0 : opacity > 100 ? 100 : opacity;
  const int32_t op = MulDiv(clamped, 256, 100);
  if (op == 0) return;  // every change is scaled to nothing
  const int32_t count = static_cast<int32_t>(r - l);
  const int32_t format = geometry.pixelFormat;
  const int64_t frameRowBytes = static_cast<int64_t>(yuv ? 2 : 3) * geometry.width;
  const PairSpan span = SplitPairs(x, x + count);  // the same columns in every row
  for (int64_t row = 0; row < b - t; ++row) {
    const uint8_t* s = PictureRow(overlay_.data(), format, t + row, capH_, 4 * capW_) + 4 * l;
    uint8_t* d = PictureRow(frame, format, y + row, height, frameRowBytes);
    if (yuv) {
      const uint8_t* pairPixels = s + 4 * (span.at - x);
      if (span.lead) BlendLoneYuv(d, span.leadPixel(), geometry.width, s, op);
      if (span.pairs > 0) kernels_->blendOverlayYuv(d + 2 * span.at, pairPixels, static_cast<int32_t>(span.pairs), op);
      if (span.tail) BlendLoneYuv(d, span.tailPixel(), geometry.width, pairPixels + 8 * span.pairs, op);
    } else {
      kernels_->blendOverlayRgb(d + 3 * x, s, count, op);
    }
  }
}

}  // namespace qlv
