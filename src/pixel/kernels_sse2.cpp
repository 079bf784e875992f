// SSE2 kernels. Each gives exactly the bytes of its reference in kernels_c.cpp; the
// remainder of a row that does not fill a vector is handed to the reference.
#include <emmintrin.h>

#include <cstring>
#include <initializer_list>

#include "pixel/color_coefficients.h"
#include "pixel/kernels.h"

namespace qlv {
namespace kernels {
namespace {

// Eight YUY2 pixels (one 16-byte load) to two vectors of four B, G, R, Y sample pixels.
// (u * 16 * k) >> 16 is exactly the high half of the 16-bit product (u * 16) * k.
inline void YuyvToSample8(__m128i v, __m128i& s0, __m128i& s1) {
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  const __m128i kBR = _mm_set1_epi32(color::PackPair(color::kBFromCb, color::kRFromCr));
  const __m128i kG = _mm_set1_epi32(color::PackPair(color::kGFromCb, color::kGFromCr));
  __m128i y = _mm_and_si128(v, lowByte);                                      // Y of 8 pixels
  __m128i uv = _mm_srli_epi16(v, 8);                                          // U0 V0 U1 V1 ...
  uv = _mm_slli_epi16(_mm_sub_epi16(uv, _mm_set1_epi16(128)), 4);             // (c - 128) * 16
  __m128i br = _mm_mulhi_epi16(uv, kBR);                                      // dB0 dR0 dB1 dR1 ...
  __m128i g = _mm_madd_epi16(_mm_mulhi_epi16(uv, kG), _mm_set1_epi16(1));     // dG per pair, 32-bit
  __m128i dB = _mm_shufflehi_epi16(_mm_shufflelo_epi16(br, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  __m128i dR = _mm_shufflehi_epi16(_mm_shufflelo_epi16(br, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  __m128i dG = _mm_shufflehi_epi16(_mm_shufflelo_epi16(g, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  // packus clamps to 0..255.
  __m128i bg = _mm_packus_epi16(_mm_add_epi16(y, dB), _mm_add_epi16(y, dG));  // B0..B7 G0..G7
  __m128i ry = _mm_packus_epi16(_mm_add_epi16(y, dR), y);                     // R0..R7 Y0..Y7
  __m128i bAndR = _mm_unpacklo_epi8(bg, ry);                                  // B0 R0 B1 R1 ...
  __m128i gAndY = _mm_unpackhi_epi8(bg, ry);                                  // G0 Y0 G1 Y1 ...
  s0 = _mm_unpacklo_epi8(bAndR, gAndY);
  s1 = _mm_unpackhi_epi8(bAndR, gAndY);
}


// B, G, R of eight YUY2 pixels (one 16-byte load) in 16-bit lanes, clamped to 0..255,
// and their luma. Lane k is pixel k.
inline void YuyvToPlanes8(__m128i v, __m128i& b, __m128i& g, __m128i& r, __m128i& y) {
  const __m128i kBR = _mm_set1_epi32(color::PackPair(color::kBFromCb, color::kRFromCr));
  const __m128i kG = _mm_set1_epi32(color::PackPair(color::kGFromCb, color::kGFromCr));
  const __m128i zero = _mm_setzero_si128();
  y = _mm_and_si128(v, _mm_set1_epi16(0x00FF));
  __m128i uv = _mm_slli_epi16(_mm_sub_epi16(_mm_srli_epi16(v, 8), _mm_set1_epi16(128)), 4);
  __m128i br = _mm_mulhi_epi16(uv, kBR);
  __m128i gg = _mm_madd_epi16(_mm_mulhi_epi16(uv, kG), _mm_set1_epi16(1));
  __m128i dB = _mm_shufflehi_epi16(_mm_shufflelo_epi16(br, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  __m128i dR = _mm_shufflehi_epi16(_mm_shufflelo_epi16(br, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  __m128i dG = _mm_shufflehi_epi16(_mm_shufflelo_epi16(gg, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  // min/max clamps on the arithmetic ports, leaving the shuffle port to the offsets.
  const __m128i max255 = _mm_set1_epi16(255);
  b = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(y, dB), zero), max255);
  g = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(y, dG), zero), max255);
  r = _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(y, dR), zero), max255);
}

// Adds planar 16-bit sums of eight pixels to acc[4x + c] in sample order.
inline void AddPlanes8(__m128i b, __m128i g, __m128i r, __m128i y, uint16_t* acc) {
  __m128i bgLo = _mm_unpacklo_epi16(b, g), ryLo = _mm_unpacklo_epi16(r, y);
  __m128i bgHi = _mm_unpackhi_epi16(b, g), ryHi = _mm_unpackhi_epi16(r, y);
  __m128i px[4] = {_mm_unpacklo_epi32(bgLo, ryLo), _mm_unpackhi_epi32(bgLo, ryLo), _mm_unpacklo_epi32(bgHi, ryHi),
                   _mm_unpackhi_epi32(bgHi, ryHi)};
  __m128i* a = reinterpret_cast<__m128i*>(acc);
  for (int k = 0; k < 4; ++k) _mm_storeu_si128(a + k, _mm_add_epi16(_mm_loadu_si128(a + k), px[k]));
}

// B, G, R, 0 of four RGB24 pixels (low 12 bytes of g) in 32-bit lanes, and their luma.
inline __m128i Rgb24Spread4(__m128i g) {
  const __m128i m0 = _mm_set_epi32(0, 0, 0, 0x00FFFFFF);
  const __m128i m1 = _mm_set_epi32(0, 0, 0x00FFFFFF, 0);
  const __m128i m2 = _mm_set_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i m3 = _mm_set_epi32(0x00FFFFFF, 0, 0, 0);
  return _mm_or_si128(_mm_or_si128(_mm_and_si128(g, m0), _mm_and_si128(_mm_slli_si128(g, 1), m1)),
                      _mm_or_si128(_mm_and_si128(_mm_slli_si128(g, 2), m2), _mm_and_si128(_mm_slli_si128(g, 3), m3)));
}

inline __m128i Luma4(__m128i t) {  // t: B, G, R, 0 per 32-bit lane; weights sum to 32768
  __m128i bAndR = _mm_and_si128(t, _mm_set1_epi32(0x00FF00FF));
  __m128i gOnly = _mm_and_si128(_mm_srli_epi32(t, 8), _mm_set1_epi32(0xFF));
  __m128i y = _mm_add_epi32(_mm_madd_epi16(bAndR, _mm_set1_epi32(color::PackPair(color::kYFromB, color::kYFromR))),
                            _mm_madd_epi16(gOnly, _mm_set1_epi32(color::kYFromG)));
  return _mm_srli_epi32(y, 15);
}

// Four RGB24 pixels in the low 12 bytes of g to four B, G, R, Y sample pixels.
inline __m128i Rgb24ToSample4(__m128i g) {
  __m128i t = Rgb24Spread4(g);
  return _mm_or_si128(t, _mm_slli_epi32(Luma4(t), 24));
}

// Sixteen RGB24 pixels (48 bytes, no read beyond them) to four vectors of sample pixels.
inline void Rgb24ToSample16(const uint8_t* src, __m128i s[4]) {
  __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
  __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
  s[0] = Rgb24ToSample4(v0);
  s[1] = Rgb24ToSample4(_mm_or_si128(_mm_srli_si128(v0, 12), _mm_slli_si128(v1, 4)));
  s[2] = Rgb24ToSample4(_mm_or_si128(_mm_srli_si128(v1, 8), _mm_slli_si128(v2, 8)));
  s[3] = Rgb24ToSample4(_mm_srli_si128(v2, 4));
}

}  // namespace

void YuyvToSampleRow_SSE2(const uint8_t* src, uint32_t* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i s0, s1;
    YuyvToSample8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x)), s0, s1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), s0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 4), s1);
  }
  YuyvToSampleRow_C(src + 2 * x, dst + x, width - x);
}

void Rgb24ToSampleRow_SSE2(const uint8_t* src, uint32_t* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i s[4];
    Rgb24ToSample16(src + 3 * x, s);
    for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 4 * k), s[k]);
  }
  Rgb24ToSampleRow_C(src + 3 * x, dst + x, width - x);
}

// Column strips: the sums of a strip stay in registers down all rows and reach memory once.
void YuyvAccumulateRows_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i zero = _mm_setzero_si128();
    __m128i b0 = zero, g0 = zero, r0 = zero, y0 = zero, b1 = zero, g1 = zero, r1 = zero, y1 = zero;
    const uint8_t* p = src + 2 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m128i b, g, r, y;
      YuyvToPlanes8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), b, g, r, y);
      b0 = _mm_add_epi16(b0, b);
      g0 = _mm_add_epi16(g0, g);
      r0 = _mm_add_epi16(r0, r);
      y0 = _mm_add_epi16(y0, y);
      YuyvToPlanes8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), b, g, r, y);
      b1 = _mm_add_epi16(b1, b);
      g1 = _mm_add_epi16(g1, g);
      r1 = _mm_add_epi16(r1, r);
      y1 = _mm_add_epi16(y1, y);
    }
    AddPlanes8(b0, g0, r0, y0, acc + 4 * x);
    AddPlanes8(b1, g1, r1, y1, acc + 4 * x + 32);
  }
  for (; x + 8 <= width; x += 8) {
    const __m128i zero = _mm_setzero_si128();
    __m128i b0 = zero, g0 = zero, r0 = zero, y0 = zero;
    const uint8_t* p = src + 2 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m128i b, g, r, y;
      YuyvToPlanes8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), b, g, r, y);
      b0 = _mm_add_epi16(b0, b);
      g0 = _mm_add_epi16(g0, g);
      r0 = _mm_add_epi16(r0, r);
      y0 = _mm_add_epi16(y0, y);
    }
    AddPlanes8(b0, g0, r0, y0, acc + 4 * x);
  }
  YuyvAccumulateRows_C(src + 2 * x, stride, rows, acc + 4 * x, width - x);
}

void Rgb24AccumulateRows_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  const __m128i zero = _mm_setzero_si128();
  int32_t x = 0;
  for (; x + 6 <= width; x += 4) {  // a 16-byte load covers 4 pixels and stays inside the row
    __m128i lo = zero, hi = zero, y = zero;
    const uint8_t* p = src + 3 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m128i t = Rgb24Spread4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
      y = _mm_add_epi32(y, Luma4(t));
      lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(t, zero));
      hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(t, zero));
    }
    // Luma (below 65536) into the fourth 16-bit lane of each pixel.
    lo = _mm_add_epi16(lo, _mm_slli_epi64(_mm_unpacklo_epi32(y, zero), 48));
    hi = _mm_add_epi16(hi, _mm_slli_epi64(_mm_unpackhi_epi32(y, zero), 48));
    __m128i* a = reinterpret_cast<__m128i*>(acc + 4 * x);
    _mm_storeu_si128(a, _mm_add_epi16(_mm_loadu_si128(a), lo));
    _mm_storeu_si128(a + 1, _mm_add_epi16(_mm_loadu_si128(a + 1), hi));
  }
  Rgb24AccumulateRows_C(src + 3 * x, stride, rows, acc + 4 * x, width - x);
}

void SumSampleRow_SSE2(const uint32_t* src, int32_t width, uint32_t sums[4]) {
  const __m128i zero = _mm_setzero_si128();
  __m128i total = zero;  // 32-bit sums B, G, R, Y
  int32_t x = 0;
  while (x + 4 <= width) {
    // 16-bit lanes take at most 128 steps of 2 * 255 before they are widened.
    __m128i part = zero;
    for (int32_t n = 0; n < 128 && x + 4 <= width; ++n, x += 4) {
      __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
      part = _mm_add_epi16(part, _mm_add_epi16(_mm_unpacklo_epi8(s, zero), _mm_unpackhi_epi8(s, zero)));
    }
    total = _mm_add_epi32(total, _mm_add_epi32(_mm_unpacklo_epi16(part, zero), _mm_unpackhi_epi16(part, zero)));
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
  for (int c = 0; c < 4; ++c) sums[c] += lanes[c];
  SumSampleRow_C(src + x, width - x, sums);
}

void SumColumns_SSE2(const uint16_t* acc, int32_t count, uint32_t sums[4]) {
  const __m128i zero = _mm_setzero_si128();
  __m128i even = zero, odd = zero;  // 32-bit B, G, R, Y of even and odd pixels
  int32_t x = 0;
  for (; x + 2 <= count; x += 2) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + 4 * x));
    even = _mm_add_epi32(even, _mm_unpacklo_epi16(v, zero));
    odd = _mm_add_epi32(odd, _mm_unpackhi_epi16(v, zero));
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi32(even, odd));
  for (int c = 0; c < 4; ++c) sums[c] += lanes[c];
  SumColumns_C(acc + 4 * x, count - x, sums);
}

void BlendColorRun_SSE2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i w16 = _mm_set1_epi16(static_cast<int16_t>(w << 4));
  int32_t i = 0;
  if (bytes >= 16) {
    // c + floor((d - c) * w / 256) = (d * w + c * (256 - w)) >> 8, no term above 65280: the
    // colour's share is fixed per call, so each vector needs one multiply per half.
    alignas(16) __m128i share[2 * kPatternBytes / 16];
    const __m128i rest = _mm_set1_epi16(static_cast<int16_t>(256 - w));
    for (int32_t k = 0; k < kPatternBytes / 16; ++k) {
      __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + 16 * k));
      share[2 * k] = _mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), rest);
      share[2 * k + 1] = _mm_mullo_epi16(_mm_unpackhi_epi8(c, zero), rest);
    }
    const __m128i wPlain = _mm_set1_epi16(static_cast<int16_t>(w));
    for (int32_t k = 0; i + 16 <= bytes; i += 16, k = k + 1 == kPatternBytes / 16 ? 0 : k + 1) {
      __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wPlain), share[2 * k]), 8);
      __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wPlain), share[2 * k + 1]), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
  }
  // Short tails (a YUV run ends in whole pairs): 8 and 4 bytes in the low lanes.
  for (int32_t step : {8, 4}) {
    if (i + step > bytes) continue;
    const uint8_t* cp = pattern + i % kPatternBytes;
    __m128i c, d;
    if (step == 8) {
      c = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cp));
      d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst + i));
    } else {
      int32_t cv, dv;
      std::memcpy(&cv, cp, 4);
      std::memcpy(&dv, dst + i, 4);
      c = _mm_cvtsi32_si128(cv);
      d = _mm_cvtsi32_si128(dv);
    }
    __m128i cLo = _mm_unpacklo_epi8(c, zero);
    __m128i lo = _mm_add_epi16(cLo, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(d, zero), cLo), 4), w16));
    __m128i out = _mm_packus_epi16(lo, zero);
    if (step == 8) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), out);
    } else {
      int32_t ov = _mm_cvtsi128_si32(out);
      std::memcpy(dst + i, &ov, 4);
    }
    i += step;
  }
  BlendColorRun_C(dst + i, bytes - i, pattern + i % kPatternBytes, w);
}

void FillColorRun_SSE2(uint8_t* dst, int32_t bytes, const uint8_t* pattern) {
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + i % kPatternBytes)));
  FillColorRun_C(dst + i, bytes - i, pattern + i % kPatternBytes);
}

// Window by window, down all rows: the colour's share and the mask are set up once per window.
void BlendWindowsRows_SSE2(uint8_t* first, ptrdiff_t stride, int32_t rows, const ByteWindow* windows, int32_t count,
                           int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wPlain = _mm_set1_epi16(static_cast<int16_t>(w));
  const __m128i rest = _mm_set1_epi16(static_cast<int16_t>(256 - w));
  for (int32_t k = 0; k < count; ++k) {
    const ByteWindow& win = windows[k];
    const __m128i mask = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(win.mask));
    const __m128i share =
        _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(win.colour)), zero), rest);
    uint8_t* p = first + win.offset;
    for (int32_t r = 0; r < rows; ++r, p += stride) {
      __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
      __m128i b = _mm_packus_epi16(
          _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wPlain), share), 8), zero);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_or_si128(_mm_and_si128(mask, b), _mm_andnot_si128(mask, d)));
    }
  }
}

}  // namespace kernels
}  // namespace qlv
