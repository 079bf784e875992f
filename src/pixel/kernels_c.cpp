// Scalar reference kernels: written for clarity, exact to the integers.
#include "pixel/kernels.h"

#include <cstring>

#include "pixel/color_coefficients.h"

namespace qlv {
namespace kernels {

// The integers below rely on >> of a negative int rounding toward minus infinity.
static_assert((-3 >> 1) == -2, "arithmetic right shift required");

namespace {

inline uint8_t Clamp255(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

inline uint32_t PackSample(uint8_t b, uint8_t g, uint8_t r, uint8_t y) {
  return static_cast<uint32_t>(b) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(y) << 24;
}

struct ChromaOffsets {
  int32_t dB, dG, dR;
};

inline ChromaOffsets Offsets(uint8_t U, uint8_t V) {
  int32_t u = U - 128, v = V - 128;
  ChromaOffsets o;
  o.dB = (u * 16 * color::kBFromCb) >> 16;
  o.dG = ((u * 16 * color::kGFromCb) >> 16) + ((v * 16 * color::kGFromCr) >> 16);  // two terms rounded separately
  o.dR = (v * 16 * color::kRFromCr) >> 16;
  return o;
}

inline uint32_t YuvSample(uint8_t y, const ChromaOffsets& o) {
  return PackSample(Clamp255(y + o.dB), Clamp255(y + o.dG), Clamp255(y + o.dR), y);
}

inline uint32_t RgbSample(const uint8_t* p) {
  uint8_t b = p[0], g = p[1], r = p[2];
  uint8_t y = static_cast<uint8_t>(color::Luma(b, g, r));
  return PackSample(b, g, r, y);
}

inline void AddSample(uint16_t* acc, uint32_t s) {
  acc[0] = static_cast<uint16_t>(acc[0] + (s & 0xFF));
  acc[1] = static_cast<uint16_t>(acc[1] + ((s >> 8) & 0xFF));
  acc[2] = static_cast<uint16_t>(acc[2] + ((s >> 16) & 0xFF));
  acc[3] = static_cast<uint16_t>(acc[3] + (s >> 24));
}

inline uint32_t GreySample(uint8_t y) { return PackSample(y, y, y, y); }

}  // namespace

void YuyvToSampleRow_C(const uint8_t* src, uint32_t* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 1 < width; x += 2, src += 4) {
    ChromaOffsets o = Offsets(src[1], src[3]);
    dst[x] = YuvSample(src[0], o);
    dst[x + 1] = YuvSample(src[2], o);
  }
  if (x < width) dst[x] = GreySample(src[0]);
}

void Rgb24ToSampleRow_C(const uint8_t* src, uint32_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 3) dst[x] = RgbSample(src);
}

void YuyvAccumulateRows_C(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  for (int32_t r = 0; r < rows; ++r, src += stride) {
    const uint8_t* p = src;
    uint16_t* a = acc;
    int32_t x = 0;
    for (; x + 1 < width; x += 2, p += 4, a += 8) {
      ChromaOffsets o = Offsets(p[1], p[3]);
      AddSample(a, YuvSample(p[0], o));
      AddSample(a + 4, YuvSample(p[2], o));
    }
    if (x < width) AddSample(a, GreySample(p[0]));
  }
}

void Rgb24AccumulateRows_C(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  for (int32_t r = 0; r < rows; ++r, src += stride) {
    const uint8_t* p = src;
    for (int32_t x = 0; x < width; ++x, p += 3) AddSample(acc + 4 * x, RgbSample(p));
  }
}

void SumSampleRow_C(const uint32_t* src, int32_t width, uint32_t sums[4]) {
  for (int32_t x = 0; x < width; ++x) {
    uint32_t s = src[x];
    sums[0] += s & 0xFF;
    sums[1] += (s >> 8) & 0xFF;
    sums[2] += (s >> 16) & 0xFF;
    sums[3] += s >> 24;
  }
}

void SumColumns_C(const uint16_t* acc, int32_t count, uint32_t sums[4]) {
  for (int32_t x = 0; x < count; ++x, acc += 4)
    for (int c = 0; c < 4; ++c) sums[c] += acc[c];
}

void BlendColorRun_C(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w) {
  for (int32_t i = 0; i < bytes; ++i) {
    int32_t c = pattern[i % kPatternBytes];
    dst[i] = static_cast<uint8_t>(c + (((dst[i] - c) * w) >> 8));  // floor: lies between c and old
  }
}

void FillColorRun_C(uint8_t* dst, int32_t bytes, const uint8_t* pattern) {
  for (int32_t i = 0; i < bytes; ++i) dst[i] = pattern[i % kPatternBytes];
}

void BlendWindowsRows_C(uint8_t* first, ptrdiff_t stride, int32_t rows, const ByteWindow* windows, int32_t count,
                        int32_t w) {
  for (int32_t r = 0; r < rows; ++r, first += stride)
    for (int32_t k = 0; k < count; ++k) {
      const ByteWindow& win = windows[k];
      uint8_t* p = first + win.offset;
      for (int i = 0; i < 8; ++i) {
        if (!win.mask[i]) continue;
        int32_t c = win.colour[i];
        p[i] = static_cast<uint8_t>(c + (((p[i] - c) * w) >> 8));
      }
    }
}

void MakePattern(uint32_t colourBytes, int32_t period, uint8_t* pattern) {
  for (int32_t i = 0; i < period; ++i) pattern[i] = static_cast<uint8_t>(colourBytes >> (8 * i));
  for (int32_t n = period; n < 2 * kPatternBytes; n *= 2)  // doubling copies: cheap per drawing call
    std::memcpy(pattern + n, pattern, static_cast<size_t>(n < kPatternBytes ? n : 2 * kPatternBytes - n));
}

}  // namespace kernels
}  // namespace qlv
