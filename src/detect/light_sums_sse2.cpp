// 32-bit lanes throughout: a lane sums at most 16,384 cells of a 256 × 256 grid, and
// 16,384 × 255² stays below 2^31, so no lane can overflow before the final widening.
#include <emmintrin.h>

#include <cstring>

#include "detect/light_sums.h"
#include "detect/scene_lanes_simd.h"

namespace qlv {
namespace {

inline __m128i TakenOf(const uint8_t* compared) {
  int32_t v;
  std::memcpy(&v, compared, 4);
  const __m128i zero = _mm_setzero_si128();
  const __m128i c = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), zero), zero);
  return _mm_xor_si128(_mm_cmpeq_epi32(c, _mm_set1_epi32(0xFF)), _mm_set1_epi32(-1));
}

uint64_t LaneSum(__m128i v) {
  uint32_t l[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(l), v);
  return uint64_t{l[0]} + l[1] + l[2] + l[3];
}

// kRange: also the least and greatest x taken (the scenes' fit needs them, the view's not).
template <bool kRange>
struct Accumulator {
  __m128i n = _mm_setzero_si128(), sx = n, sy = n, sxx = n, sxy = n;
  __m128i least = _mm_set1_epi32(255), greatest = _mm_setzero_si128();

  // x and y of the cells taken; both are 0 elsewhere.
  void Add(__m128i x, __m128i y, __m128i taken) {
    x = _mm_and_si128(x, taken);
    y = _mm_and_si128(y, taken);
    n = _mm_sub_epi32(n, taken);
    sx = _mm_add_epi32(sx, x);
    sy = _mm_add_epi32(sy, y);
    sxx = _mm_add_epi32(sxx, _mm_madd_epi16(x, x));  // the high halves are 0: x·x exactly
    sxy = _mm_add_epi32(sxy, _mm_madd_epi16(x, y));
    if (!kRange) return;
    const __m128i lower = _mm_and_si128(_mm_cmpgt_epi32(least, x), taken);
    least = _mm_or_si128(_mm_and_si128(lower, x), _mm_andnot_si128(lower, least));
    const __m128i higher = _mm_and_si128(_mm_cmpgt_epi32(x, greatest), taken);
    greatest = _mm_or_si128(_mm_and_si128(higher, x), _mm_andnot_si128(higher, greatest));
  }
  void Into(LumaSums* s) const {
    s->n += LaneSum(n);
    s->sx += LaneSum(sx);
    s->sy += LaneSum(sy);
    s->sxx += LaneSum(sxx);
    s->sxy += LaneSum(sxy);
    if (!kRange) return;
    int32_t lo[4], hi[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lo), least);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(hi), greatest);
    for (int k = 0; k < 4; ++k) {
      if (lo[k] < s->least) s->least = lo[k];
      if (hi[k] > s->greatest) s->greatest = hi[k];
    }
  }
};

}  // namespace

size_t SceneLumaSums_SSE2(const uint64_t* scene, const uint8_t* valid, const uint32_t* means,
                          const uint8_t* compared, size_t n, LumaSums* sums) {
  Accumulator<true> acc;
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    int32_t v;
    std::memcpy(&v, valid + i, 4);
    const __m128i valid4 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), zero), zero);
    const __m128i taken = _mm_andnot_si128(_mm_cmpeq_epi32(valid4, zero), TakenOf(compared + i));
    const __m128i s01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scene + i));
    const __m128i s23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scene + i + 2));
    const __m128i x = RoundedLuma4(s01, s23);
    const __m128i y = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(means + i)), 24);
    acc.Add(x, y, taken);
  }
  acc.Into(sums);
  return i;
}

size_t ViewLumaSums_SSE2(const int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n,
                         uint8_t* rounded, LumaSums* sums) {
  Accumulator<false> acc;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i taken = TakenOf(compared + i);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(view + i));
    const __m128i x = _mm_srai_epi32(_mm_add_epi32(v, _mm_set1_epi32(128)), 8);  // floor
    const __m128i y = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(means + i)), 24);
    const __m128i w = _mm_packs_epi32(x, x);
    const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(w, w));
    std::memcpy(rounded + i, &bytes, 4);
    acc.Add(x, y, taken);
  }
  acc.Into(sums);
  return i;
}

size_t ViewFollow_SSE2(int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n) {
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i taken = TakenOf(compared + i);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(view + i));
    const __m128i y = _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(means + i)), 24);
    const __m128i step = _mm_srai_epi32(_mm_sub_epi32(_mm_slli_epi32(y, 8), v), 8);  // floor
    _mm_storeu_si128(reinterpret_cast<__m128i*>(view + i), _mm_add_epi32(v, _mm_and_si128(step, taken)));
  }
  return i;
}

}  // namespace qlv
