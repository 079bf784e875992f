// SSE2 variants of the compositing kernels: the same 16-bit fixed-point floors as
// the references (pmulhw is the floor of the product / 65536; wrapping 16-bit sums
// do not depend on their order). Remainders go to the references.
#include <emmintrin.h>

#include <cstring>

#include "pixel/kernels.h"

namespace qlv {
namespace kernels {

void ResampleColumns_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry,
                          uint8_t* row) {
  int32_t offset, n;
  std::memcpy(&offset, entry, 4);
  std::memcpy(&n, entry + 4, 4);
  const uint8_t* first = src + offset;
  const __m128i zero = _mm_setzero_si128();
  int32_t c = 0;
  for (; c + 4 <= width; c += 4) {
    __m128i acc0 = zero, acc1 = zero;
    const uint8_t* p = first + 4 * c;
    for (int32_t k = 0; k < n; ++k) {
      __m128i w = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(entry + 8 + 8 * k));
      w = _mm_unpacklo_epi64(w, w);
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k * stride));
      __m128i lo = _mm_slli_epi16(_mm_unpacklo_epi8(v, zero), 7);
      __m128i hi = _mm_slli_epi16(_mm_unpackhi_epi8(v, zero), 7);
      acc0 = _mm_add_epi16(acc0, _mm_mulhi_epi16(lo, w));
      acc1 = _mm_add_epi16(acc1, _mm_mulhi_epi16(hi, w));
    }
    __m128i out = _mm_packus_epi16(_mm_srai_epi16(acc0, 5), _mm_srai_epi16(acc1, 5));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4 * c), out);
  }
  if (c < width) ResampleColumns_C(src + 4 * c, stride, width - c, entry, row + 4 * c);
}

void ResampleRow_SSE2(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst) {
  const __m128i zero = _mm_setzero_si128();
  const uint8_t* entry = table;
  for (int32_t i = 0; i < count; ++i) {
    int32_t offset, n;
    std::memcpy(&offset, entry, 4);
    std::memcpy(&n, entry + 4, 4);
    const uint8_t* p = row + offset;
    const uint8_t* w = entry + 8;
    __m128i acc = zero;
    int32_t k = 0;
    for (; k + 2 <= n; k += 2) {  // two taps: two pixels against two 8-byte weights
      __m128i v = _mm_slli_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 4 * k)), zero), 7);
      __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8 * k));
      acc = _mm_add_epi16(acc, _mm_mulhi_epi16(v, q));
    }
    if (k < n) {
      int32_t px;
      std::memcpy(&px, p + 4 * k, 4);
      __m128i v = _mm_slli_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(px), zero), 7);
      __m128i q = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + 8 * k));
      acc = _mm_add_epi16(acc, _mm_mulhi_epi16(v, q));
    }
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 8));
    acc = _mm_srai_epi16(acc, 5);
    int32_t out = _mm_cvtsi128_si32(_mm_packus_epi16(acc, acc));
    std::memcpy(dst + 4 * i, &out, 4);
    entry += 8 + 8 * n;
  }
}

namespace {

// t = floor(a * (d - o) / 256) + o; result d + floor((s - t) * op / 256), in 16-bit lanes.
inline __m128i BlendLanes(__m128i d, __m128i s, __m128i a, __m128i o, __m128i op16) {
  __m128i t = _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(a, 4), _mm_slli_epi16(_mm_sub_epi16(d, o), 4)), o);
  __m128i change = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(s, t), 4), op16);
  return _mm_add_epi16(d, change);
}

inline __m128i CoverageLanes(__m128i alpha) { return _mm_add_epi16(alpha, _mm_srli_epi16(alpha, 7)); }

}  // namespace

void BlendOverlayRowRgb_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i op16 = _mm_set1_epi16(static_cast<int16_t>(op << 4));
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    uint8_t* f = frame + 3 * i;
    uint32_t d0, d1, d2, d3;
    std::memcpy(&d0, f, 4);
    std::memcpy(&d1, f + 3, 4);
    std::memcpy(&d2, f + 6, 4);
    std::memcpy(&d3, f + 8, 4);  // stays inside the 12 bytes; the pixel is its top 3 bytes
    d3 >>= 8;
    __m128i d = _mm_setr_epi32(static_cast<int32_t>(d0), static_cast<int32_t>(d1), static_cast<int32_t>(d2),
                               static_cast<int32_t>(d3));
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(overlay + 4 * i));
    // Transparent black (coverage 0, colour 0) leaves the frame exactly as it is.
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(s, zero)) == 0xFFFF) continue;
    __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
    __m128i aLo = CoverageLanes(_mm_shufflehi_epi16(_mm_shufflelo_epi16(sLo, 0xFF), 0xFF));
    __m128i aHi = CoverageLanes(_mm_shufflehi_epi16(_mm_shufflelo_epi16(sHi, 0xFF), 0xFF));
    __m128i rLo = BlendLanes(_mm_unpacklo_epi8(d, zero), sLo, aLo, zero, op16);
    __m128i rHi = BlendLanes(_mm_unpackhi_epi8(d, zero), sHi, aHi, zero, op16);
    __m128i r = _mm_packus_epi16(rLo, rHi);
    uint32_t r0 = static_cast<uint32_t>(_mm_cvtsi128_si32(r));
    uint32_t r1 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(r, 4)));
    uint32_t r2 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(r, 8)));
    uint32_t r3 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(r, 12)));
    // Each 4-byte store's spare byte is overwritten by the next pixel.
    std::memcpy(f, &r0, 4);
    std::memcpy(f + 3, &r1, 4);
    std::memcpy(f + 6, &r2, 4);
    std::memcpy(f + 9, &r3, 3);
  }
  if (i < count) BlendOverlayRowRgb_C(frame + 3 * i, overlay + 4 * i, count - i, op);
}

void BlendOverlayRowYuv_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i op16 = _mm_set1_epi16(static_cast<int16_t>(op << 4));
  const __m128i neutral = _mm_setr_epi16(0, 128, 0, 128, 0, 128, 0, 128);
  const __m128i byte0 = _mm_set1_epi32(0xFF), byte1 = _mm_set1_epi32(0xFF00), byte2 = _mm_set1_epi32(0xFF0000);
  const __m128i clear = _mm_set1_epi32(0x00808000);  // Y 0, Cb 128, Cr 128, coverage 0
  int32_t i = 0;
  for (; i + 4 <= pairs; i += 4) {
    __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(overlay + 8 * i));
    __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(overlay + 8 * i + 16));
    // Transparent black leaves the frame exactly as it is.
    if (_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi32(p0, clear), _mm_cmpeq_epi32(p1, clear))) == 0xFFFF) continue;
    __m128i r0 = _mm_shuffle_epi32(p0, 0xD8);
    __m128i r1 = _mm_shuffle_epi32(p1, 0xD8);
    __m128i even = _mm_unpacklo_epi64(r0, r1);  // P0 of each pair: Y, Cb, Cr, A
    __m128i odd = _mm_unpackhi_epi64(r0, r1);   // P1 of each pair
    __m128i avg = _mm_avg_epu8(even, odd);      // (x + y + 1) >> 1 per byte
    // Source words Y0, Cb, Y1, Cr and coverages A0, A0, A1, A0 of each group.
    __m128i s = _mm_or_si128(_mm_or_si128(_mm_and_si128(even, byte0), _mm_and_si128(avg, byte1)),
                             _mm_or_si128(_mm_slli_epi32(_mm_and_si128(odd, byte0), 16),
                                          _mm_slli_epi32(_mm_and_si128(avg, byte2), 8)));
    __m128i a0 = _mm_srli_epi32(even, 24), a1 = _mm_srli_epi32(odd, 24);
    __m128i cov = _mm_or_si128(_mm_or_si128(a0, _mm_slli_epi32(a0, 8)),
                               _mm_or_si128(_mm_slli_epi32(a1, 16), _mm_slli_epi32(a0, 24)));
    uint8_t* f = frame + 4 * i;
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f));
    __m128i rLo = BlendLanes(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero),
                             CoverageLanes(_mm_unpacklo_epi8(cov, zero)), neutral, op16);
    __m128i rHi = BlendLanes(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero),
                             CoverageLanes(_mm_unpackhi_epi8(cov, zero)), neutral, op16);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(f), _mm_packus_epi16(rLo, rHi));
  }
  if (i < pairs) BlendOverlayRowYuv_C(frame + 4 * i, overlay + 8 * i, pairs - i, op);
}

}  // namespace kernels
}  // namespace qlv
