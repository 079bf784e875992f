// AVX2 kernels (native build only). The same integers as the SSE2 kernels, sixteen
// pixels per step; every 128-bit lane works on its own pixels.
#include <immintrin.h>

#include "overlay/kernels.h"

namespace qlv {
namespace kernels {
namespace {

// Sixteen YUY2 pixels to sample pixels: s0 = pixels 0-3 | 8-11, s1 = 4-7 | 12-15.
inline void YuyvToSample16(__m256i v, __m256i& s0, __m256i& s1) {
  const __m256i kBR = _mm256_set1_epi32((5743 << 16) | 7258);
  const __m256i kG = _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(-2925) << 16) |
                                                            (static_cast<uint32_t>(-1410) & 0xFFFF)));
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

// Two groups of four RGB24 pixels, each in the low 12 bytes of its lane.
inline __m256i Rgb24ToSample4x2(__m256i g) {
  const __m256i m0 = _mm256_set_epi32(0, 0, 0, 0x00FFFFFF, 0, 0, 0, 0x00FFFFFF);
  const __m256i m1 = _mm256_set_epi32(0, 0, 0x00FFFFFF, 0, 0, 0, 0x00FFFFFF, 0);
  const __m256i m2 = _mm256_set_epi32(0, 0x00FFFFFF, 0, 0, 0, 0x00FFFFFF, 0, 0);
  const __m256i m3 = _mm256_set_epi32(0x00FFFFFF, 0, 0, 0, 0x00FFFFFF, 0, 0, 0);
  __m256i t = _mm256_or_si256(
      _mm256_or_si256(_mm256_and_si256(g, m0), _mm256_and_si256(_mm256_slli_si256(g, 1), m1)),
      _mm256_or_si256(_mm256_and_si256(_mm256_slli_si256(g, 2), m2), _mm256_and_si256(_mm256_slli_si256(g, 3), m3)));
  __m256i bAndR = _mm256_and_si256(t, _mm256_set1_epi32(0x00FF00FF));
  __m256i gOnly = _mm256_and_si256(_mm256_srli_epi32(t, 8), _mm256_set1_epi32(0xFF));
  __m256i y = _mm256_add_epi32(_mm256_madd_epi16(bAndR, _mm256_set1_epi32((9798 << 16) | 3735)),
                               _mm256_madd_epi16(gOnly, _mm256_set1_epi32(19235)));
  return _mm256_or_si256(t, _mm256_slli_epi32(_mm256_srli_epi32(y, 15), 24));
}

inline __m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Sixteen RGB24 pixels (48 bytes, nothing read beyond them): a = pixels 0-7, b = 8-15.
inline void Rgb24ToSample16(const uint8_t* src, __m256i& a, __m256i& b) {
  a = Rgb24ToSample4x2(_mm256_inserti128_si256(_mm256_castsi128_si256(Load16(src)), Load16(src + 12), 1));
  b = Rgb24ToSample4x2(
      _mm256_inserti128_si256(_mm256_castsi128_si256(Load16(src + 24)), _mm_srli_si128(Load16(src + 32), 4), 1));
}

// Adds four sample pixels (16 bytes) to their 16 column sums.
inline void Accumulate4(__m128i s, uint16_t* acc) {
  __m256i* a = reinterpret_cast<__m256i*>(acc);
  _mm256_storeu_si256(a, _mm256_add_epi16(_mm256_loadu_si256(a), _mm256_cvtepu8_epi16(s)));
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

void YuyvAccumulateRow_AVX2(const uint8_t* src, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i s0, s1;
    YuyvToSample16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 2 * x)), s0, s1);
    uint16_t* a = acc + 4 * x;
    Accumulate4(_mm256_castsi256_si128(s0), a);
    Accumulate4(_mm256_castsi256_si128(s1), a + 16);
    Accumulate4(_mm256_extracti128_si256(s0, 1), a + 32);
    Accumulate4(_mm256_extracti128_si256(s1, 1), a + 48);
  }
  YuyvAccumulateRow_SSE2(src + 2 * x, acc + 4 * x, width - x);
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

void Rgb24AccumulateRow_AVX2(const uint8_t* src, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i a, b;
    Rgb24ToSample16(src + 3 * x, a, b);
    uint16_t* p = acc + 4 * x;
    Accumulate4(_mm256_castsi256_si128(a), p);
    Accumulate4(_mm256_extracti128_si256(a, 1), p + 16);
    Accumulate4(_mm256_castsi256_si128(b), p + 32);
    Accumulate4(_mm256_extracti128_si256(b, 1), p + 48);
  }
  Rgb24AccumulateRow_C(src + 3 * x, acc + 4 * x, width - x);
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

void BlendColorRun_AVX2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i w16 = _mm256_set1_epi16(static_cast<int16_t>(w << 4));
  int32_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern + i % kPatternBytes));
    __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    __m256i cLo = _mm256_unpacklo_epi8(c, zero), cHi = _mm256_unpackhi_epi8(c, zero);
    __m256i lo = _mm256_add_epi16(
        cLo, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_unpacklo_epi8(d, zero), cLo), 4), w16));
    __m256i hi = _mm256_add_epi16(
        cHi, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(_mm256_unpackhi_epi8(d, zero), cHi), 4), w16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(lo, hi));
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
