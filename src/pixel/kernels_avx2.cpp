// AVX2 kernels (native build only). The same integers as the SSE2 kernels, sixteen
// pixels per step; every 128-bit lane works on its own pixels.
#include <immintrin.h>

#include "pixel/color_coefficients.h"
#include "pixel/kernels.h"

namespace qlv {
namespace kernels {
namespace {

// Sixteen YUY2 pixels to sample pixels: s0 = pixels 0-3 | 8-11, s1 = 4-7 | 12-15.
inline void YuyvToSample16(__m256i v, __m256i& s0, __m256i& s1) {
  const __m256i kBR = _mm256_set1_epi32(color::PackPair(color::kBFromCb, color::kRFromCr));
  const __m256i kG = _mm256_set1_epi32(color::PackPair(color::kGFromCb, color::kGFromCr));
  __m256i y = _mm256_and_si256(v, _mm256_set1_epi16(0x00FF));
  __m256i uv = _mm256_slli_epi16(_mm256_sub_epi16(_mm256_srli_epi16(v, 8), _mm256_set1_epi16(128)), 4);
  __m256i br = _mm256_mulhi_epi16(uv, kBR);
  __m256i g = _mm256_madd_epi16(_mm256_mulhi_epi16(uv, kG), _mm256_set1_epi16(1));
  __m256i dB = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(br, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  __m256i dR = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(br, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  __m256i dG = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(g, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  __m256i bg = _mm256_packus_epi16(_mm256_add_epi16(y, dB), _mm256_add_epi16(y, dG));
  __m256i ry = _mm256_packus_epi16(_mm256_add_epi16(y, dR), y);
  __m256i bAndR = _mm256_unpacklo_epi8(bg, ry);
  __m256i gAndY = _mm256_unpackhi_epi8(bg, ry);
  s0 = _mm256_unpacklo_epi8(bAndR, gAndY);
  s1 = _mm256_unpackhi_epi8(bAndR, gAndY);
}


// B, G, R of sixteen YUY2 pixels (one 32-byte load) in 16-bit lanes, clamped, and their
// luma; lane k is pixel k. The pair offsets reach both pixels by byte shuffles.
inline void YuyvToPlanes16(__m256i v, __m256i& b, __m256i& g, __m256i& r, __m256i& y) {
  const __m256i kBR = _mm256_set1_epi32(color::PackPair(color::kBFromCb, color::kRFromCr));
  const __m256i kG = _mm256_set1_epi32(color::PackPair(color::kGFromCb, color::kGFromCr));
  const __m256i evenLanes = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,
                                             0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
  const __m256i oddLanes = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15,
                                            2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
  const __m256i zero = _mm256_setzero_si256();
  y = _mm256_and_si256(v, _mm256_set1_epi16(0x00FF));
  __m256i uv = _mm256_slli_epi16(_mm256_sub_epi16(_mm256_srli_epi16(v, 8), _mm256_set1_epi16(128)), 4);
  __m256i br = _mm256_mulhi_epi16(uv, kBR);
  __m256i gg = _mm256_madd_epi16(_mm256_mulhi_epi16(uv, kG), _mm256_set1_epi16(1));
  // Clamping with min/max keeps the shuffle port for the three offset shuffles.
  const __m256i max255 = _mm256_set1_epi16(255);
  b = _mm256_min_epi16(_mm256_max_epi16(_mm256_add_epi16(y, _mm256_shuffle_epi8(br, evenLanes)), zero), max255);
  g = _mm256_min_epi16(_mm256_max_epi16(_mm256_add_epi16(y, _mm256_shuffle_epi8(gg, evenLanes)), zero), max255);
  r = _mm256_min_epi16(_mm256_max_epi16(_mm256_add_epi16(y, _mm256_shuffle_epi8(br, oddLanes)), zero), max255);
}

// Adds planar 16-bit sums of sixteen pixels to acc[4x + c] in sample order.
inline void AddPlanes16(__m256i b, __m256i g, __m256i r, __m256i y, uint16_t* acc) {
  __m256i bgLo = _mm256_unpacklo_epi16(b, g), ryLo = _mm256_unpacklo_epi16(r, y);
  __m256i bgHi = _mm256_unpackhi_epi16(b, g), ryHi = _mm256_unpackhi_epi16(r, y);
  __m256i p01 = _mm256_unpacklo_epi32(bgLo, ryLo);  // pixels 0-1 | 8-9
  __m256i p23 = _mm256_unpackhi_epi32(bgLo, ryLo);  // 2-3 | 10-11
  __m256i p45 = _mm256_unpacklo_epi32(bgHi, ryHi);  // 4-5 | 12-13
  __m256i p67 = _mm256_unpackhi_epi32(bgHi, ryHi);  // 6-7 | 14-15
  __m256i px[4] = {_mm256_permute2x128_si256(p01, p23, 0x20), _mm256_permute2x128_si256(p45, p67, 0x20),
                   _mm256_permute2x128_si256(p01, p23, 0x31), _mm256_permute2x128_si256(p45, p67, 0x31)};
  __m256i* a = reinterpret_cast<__m256i*>(acc);
  for (int k = 0; k < 4; ++k) _mm256_storeu_si256(a + k, _mm256_add_epi16(_mm256_loadu_si256(a + k), px[k]));
}

// B, G, R, 0 per 32-bit lane from a 12-byte group of four RGB24 pixels starting at byte
// `offset` of each 128-bit lane.
inline __m256i SpreadControl(int lo, int hi) {
  return _mm256_setr_epi8(lo + 0, lo + 1, lo + 2, -1, lo + 3, lo + 4, lo + 5, -1, lo + 6, lo + 7, lo + 8, -1, lo + 9,
                          lo + 10, lo + 11, -1, hi + 0, hi + 1, hi + 2, -1, hi + 3, hi + 4, hi + 5, -1, hi + 6,
                          hi + 7, hi + 8, -1, hi + 9, hi + 10, hi + 11, -1);
}

inline __m256i Luma8(__m256i t) {
  __m256i bAndR = _mm256_and_si256(t, _mm256_set1_epi32(0x00FF00FF));
  __m256i gOnly = _mm256_srli_epi32(_mm256_and_si256(t, _mm256_set1_epi32(0x0000FF00)), 8);
  __m256i y = _mm256_add_epi32(_mm256_madd_epi16(bAndR, _mm256_set1_epi32(color::PackPair(color::kYFromB, color::kYFromR))),
                               _mm256_madd_epi16(gOnly, _mm256_set1_epi32(color::kYFromG)));
  return _mm256_srli_epi32(y, 15);
}

inline __m256i Load2x16(const uint8_t* lo, const uint8_t* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

// Sixteen RGB24 pixels (48 bytes, nothing read beyond them): a = pixels 0-7, b = 8-15,
// as B, G, R, 0 per 32-bit lane. The last group is loaded 4 bytes early and shuffled from 4.
inline void Rgb24Spread16(const uint8_t* src, __m256i& a, __m256i& b) {
  a = _mm256_shuffle_epi8(Load2x16(src, src + 12), SpreadControl(0, 0));
  b = _mm256_shuffle_epi8(Load2x16(src + 24, src + 32), SpreadControl(0, 4));
}

inline void Rgb24ToSample16(const uint8_t* src, __m256i& a, __m256i& b) {
  Rgb24Spread16(src, a, b);
  a = _mm256_or_si256(a, _mm256_slli_epi32(Luma8(a), 24));
  b = _mm256_or_si256(b, _mm256_slli_epi32(Luma8(b), 24));
}

}  // namespace

void YuyvToSampleRow_AVX2(const uint8_t* src, uint32_t* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i s0, s1;
    YuyvToSample16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 2 * x)), s0, s1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_permute2x128_si256(s0, s1, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 8), _mm256_permute2x128_si256(s0, s1, 0x31));
  }
  YuyvToSampleRow_SSE2(src + 2 * x, dst + x, width - x);
}

void Rgb24ToSampleRow_AVX2(const uint8_t* src, uint32_t* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i a, b;
    Rgb24ToSample16(src + 3 * x, a, b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 8), b);
  }
  Rgb24ToSampleRow_C(src + 3 * x, dst + x, width - x);
}

// Column strips of 32 pixels (one cache line of YUY2): sums stay in registers down all rows.
void YuyvAccumulateRows_AVX2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i b0 = zero, g0 = zero, r0 = zero, y0 = zero, b1 = zero, g1 = zero, r1 = zero, y1 = zero;
    const uint8_t* p = src + 2 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m256i b, g, r, y;
      YuyvToPlanes16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), b, g, r, y);
      b0 = _mm256_add_epi16(b0, b);
      g0 = _mm256_add_epi16(g0, g);
      r0 = _mm256_add_epi16(r0, r);
      y0 = _mm256_add_epi16(y0, y);
      YuyvToPlanes16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), b, g, r, y);
      b1 = _mm256_add_epi16(b1, b);
      g1 = _mm256_add_epi16(g1, g);
      r1 = _mm256_add_epi16(r1, r);
      y1 = _mm256_add_epi16(y1, y);
    }
    AddPlanes16(b0, g0, r0, y0, acc + 4 * x);
    AddPlanes16(b1, g1, r1, y1, acc + 4 * x + 64);
  }
  if (x + 16 <= width) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i b0 = zero, g0 = zero, r0 = zero, y0 = zero;
    const uint8_t* p = src + 2 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m256i b, g, r, y;
      YuyvToPlanes16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), b, g, r, y);
      b0 = _mm256_add_epi16(b0, b);
      g0 = _mm256_add_epi16(g0, g);
      r0 = _mm256_add_epi16(r0, r);
      y0 = _mm256_add_epi16(y0, y);
    }
    AddPlanes16(b0, g0, r0, y0, acc + 4 * x);
    x += 16;
  }
  YuyvAccumulateRows_SSE2(src + 2 * x, stride, rows, acc + 4 * x, width - x);
}

void Rgb24AccumulateRows_AVX2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width) {
  const __m256i zero = _mm256_setzero_si256();
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i loA = zero, hiA = zero, yA = zero, loB = zero, hiB = zero, yB = zero;
    const uint8_t* p = src + 3 * x;
    for (int32_t n = 0; n < rows; ++n, p += stride) {
      __m256i a, b;
      Rgb24Spread16(p, a, b);
      yA = _mm256_add_epi32(yA, Luma8(a));
      yB = _mm256_add_epi32(yB, Luma8(b));
      loA = _mm256_add_epi16(loA, _mm256_unpacklo_epi8(a, zero));  // pixels 0-1 | 4-5
      hiA = _mm256_add_epi16(hiA, _mm256_unpackhi_epi8(a, zero));  // 2-3 | 6-7
      loB = _mm256_add_epi16(loB, _mm256_unpacklo_epi8(b, zero));
      hiB = _mm256_add_epi16(hiB, _mm256_unpackhi_epi8(b, zero));
    }
    // Luma (below 65536) into the fourth 16-bit lane of each pixel.
    loA = _mm256_add_epi16(loA, _mm256_slli_epi64(_mm256_unpacklo_epi32(yA, zero), 48));
    hiA = _mm256_add_epi16(hiA, _mm256_slli_epi64(_mm256_unpackhi_epi32(yA, zero), 48));
    loB = _mm256_add_epi16(loB, _mm256_slli_epi64(_mm256_unpacklo_epi32(yB, zero), 48));
    hiB = _mm256_add_epi16(hiB, _mm256_slli_epi64(_mm256_unpackhi_epi32(yB, zero), 48));
    __m256i px[4] = {_mm256_permute2x128_si256(loA, hiA, 0x20), _mm256_permute2x128_si256(loA, hiA, 0x31),
                     _mm256_permute2x128_si256(loB, hiB, 0x20), _mm256_permute2x128_si256(loB, hiB, 0x31)};
    __m256i* out = reinterpret_cast<__m256i*>(acc + 4 * x);
    for (int k = 0; k < 4; ++k) _mm256_storeu_si256(out + k, _mm256_add_epi16(_mm256_loadu_si256(out + k), px[k]));
  }
  Rgb24AccumulateRows_SSE2(src + 3 * x, stride, rows, acc + 4 * x, width - x);
}

void SumSampleRow_AVX2(const uint32_t* src, int32_t width, uint32_t sums[4]) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i total = zero;
  int32_t x = 0;
  while (x + 8 <= width) {
    __m256i part = zero;  // 16-bit lanes: at most 128 steps of 2 * 255
    for (int32_t n = 0; n < 128 && x + 8 <= width; ++n, x += 8) {
      __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x));
      part = _mm256_add_epi16(part, _mm256_add_epi16(_mm256_unpacklo_epi8(s, zero), _mm256_unpackhi_epi8(s, zero)));
    }
    total = _mm256_add_epi32(total, _mm256_add_epi32(_mm256_unpacklo_epi16(part, zero), _mm256_unpackhi_epi16(part, zero)));
  }
  __m128i t = _mm_add_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), t);
  for (int c = 0; c < 4; ++c) sums[c] += lanes[c];
  SumSampleRow_C(src + x, width - x, sums);
}

void SumColumns_AVX2(const uint16_t* acc, int32_t count, uint32_t sums[4]) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i a = zero, b = zero;
  int32_t x = 0;
  for (; x + 4 <= count; x += 4) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + 4 * x));
    a = _mm256_add_epi32(a, _mm256_unpacklo_epi16(v, zero));
    b = _mm256_add_epi32(b, _mm256_unpackhi_epi16(v, zero));
  }
  __m256i t = _mm256_add_epi32(a, b);
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes),
                  _mm_add_epi32(_mm256_castsi256_si128(t), _mm256_extracti128_si256(t, 1)));
  for (int c = 0; c < 4; ++c) sums[c] += lanes[c];
  SumColumns_SSE2(acc + 4 * x, count - x, sums);
}

void BlendColorRun_AVX2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w) {
  const __m256i zero = _mm256_setzero_si256();
  int32_t i = 0;
  if (bytes >= 32) {
    // (d * w + c * (256 - w)) >> 8: the same integers as the reference, one multiply per half.
    const __m256i rest = _mm256_set1_epi16(static_cast<int16_t>(256 - w));
    const __m256i wPlain = _mm256_set1_epi16(static_cast<int16_t>(w));
    __m256i share[2 * kPatternBytes / 32];
    for (int32_t k = 0; k < kPatternBytes / 32; ++k) {
      __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern + 32 * k));
      share[2 * k] = _mm256_mullo_epi16(_mm256_unpacklo_epi8(c, zero), rest);
      share[2 * k + 1] = _mm256_mullo_epi16(_mm256_unpackhi_epi8(c, zero), rest);
    }
    for (int32_t k = 0; i + 32 <= bytes; i += 32, k = k + 1 == kPatternBytes / 32 ? 0 : k + 1) {
      __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
      __m256i lo = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), wPlain), share[2 * k]), 8);
      __m256i hi = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), wPlain), share[2 * k + 1]), 8);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(lo, hi));
    }
  }
  BlendColorRun_SSE2(dst + i, bytes - i, pattern + i % kPatternBytes, w);
}

void FillColorRun_AVX2(uint8_t* dst, int32_t bytes, const uint8_t* pattern) {
  int32_t i = 0;
  for (; i + 32 <= bytes; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern + i % kPatternBytes)));
  FillColorRun_SSE2(dst + i, bytes - i, pattern + i % kPatternBytes);
}

}  // namespace kernels
}  // namespace qlv
