// SSE2 kernels. Each gives exactly the bytes of its reference in kernels_c.cpp; the
// remainder of a row that does not fill a vector is handed to the reference.
#include <emmintrin.h>

#include "overlay/kernels.h"

namespace qlv {
namespace kernels {
namespace {

// Eight YUY2 pixels (one 16-byte load) to two vectors of four B, G, R, Y sample pixels.
// (u * 16 * k) >> 16 is exactly the high half of the 16-bit product (u * 16) * k.
inline void YuyvToSample8(__m128i v, __m128i& s0, __m128i& s1) {
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  const __m128i kBR = _mm_set_epi16(5743, 7258, 5743, 7258, 5743, 7258, 5743, 7258);
  const __m128i kG = _mm_set_epi16(-2925, -1410, -2925, -1410, -2925, -1410, -2925, -1410);
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

// Four RGB24 pixels in the low 12 bytes of g to four B, G, R, Y sample pixels.
inline __m128i Rgb24ToSample4(__m128i g) {
  const __m128i m0 = _mm_set_epi32(0, 0, 0, 0x00FFFFFF);
  const __m128i m1 = _mm_set_epi32(0, 0, 0x00FFFFFF, 0);
  const __m128i m2 = _mm_set_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i m3 = _mm_set_epi32(0x00FFFFFF, 0, 0, 0);
  __m128i t = _mm_or_si128(_mm_or_si128(_mm_and_si128(g, m0), _mm_and_si128(_mm_slli_si128(g, 1), m1)),
                           _mm_or_si128(_mm_and_si128(_mm_slli_si128(g, 2), m2), _mm_and_si128(_mm_slli_si128(g, 3), m3)));
  __m128i bAndR = _mm_and_si128(t, _mm_set1_epi32(0x00FF00FF));
  __m128i gOnly = _mm_and_si128(_mm_srli_epi32(t, 8), _mm_set1_epi32(0xFF));
  __m128i y = _mm_add_epi32(_mm_madd_epi16(bAndR, _mm_set1_epi32((9798 << 16) | 3735)),
                            _mm_madd_epi16(gOnly, _mm_set1_epi32(19235)));
  return _mm_or_si128(t, _mm_slli_epi32(_mm_srli_epi32(y, 15), 24));
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

// Adds four sample pixels to their 16 column sums.
inline void Accumulate4(__m128i s, uint16_t* acc) {
  const __m128i zero = _mm_setzero_si128();
  __m128i* a = reinterpret_cast<__m128i*>(acc);
  _mm_storeu_si128(a, _mm_add_epi16(_mm_loadu_si128(a), _mm_unpacklo_epi8(s, zero)));
  _mm_storeu_si128(a + 1, _mm_add_epi16(_mm_loadu_si128(a + 1), _mm_unpackhi_epi8(s, zero)));
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

void YuyvAccumulateRow_SSE2(const uint8_t* src, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i s0, s1;
    YuyvToSample8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x)), s0, s1);
    Accumulate4(s0, acc + 4 * x);
    Accumulate4(s1, acc + 4 * x + 16);
  }
  YuyvAccumulateRow_C(src + 2 * x, acc + 4 * x, width - x);
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

void Rgb24AccumulateRow_SSE2(const uint8_t* src, uint16_t* acc, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i s[4];
    Rgb24ToSample16(src + 3 * x, s);
    for (int k = 0; k < 4; ++k) Accumulate4(s[k], acc + 4 * x + 16 * k);
  }
  Rgb24AccumulateRow_C(src + 3 * x, acc + 4 * x, width - x);
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

void BlendColorRun_SSE2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i w16 = _mm_set1_epi16(static_cast<int16_t>(w << 4));
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + i % kPatternBytes));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    __m128i cLo = _mm_unpacklo_epi8(c, zero), cHi = _mm_unpackhi_epi8(c, zero);
    // (old - c) * 16 times w * 16, high half: floor((old - c) * w / 256).
    __m128i lo = _mm_add_epi16(cLo, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(d, zero), cLo), 4), w16));
    __m128i hi = _mm_add_epi16(cHi, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(_mm_unpackhi_epi8(d, zero), cHi), 4), w16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
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

}  // namespace kernels
}  // namespace qlv
