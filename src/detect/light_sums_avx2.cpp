// The light sums eight cells a step; see light_sums_sse2.cpp for why 32-bit lanes suffice.
#include <immintrin.h>

#include <cstring>

#include "detect/light_sums.h"
#include "detect/scene_lanes_simd.h"

namespace qlv {
namespace {

inline __m256i TakenOf(const uint8_t* compared) {
  const __m256i c = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(compared)));
  return _mm256_xor_si256(_mm256_cmpeq_epi32(c, _mm256_set1_epi32(0xFF)), _mm256_set1_epi32(-1));
}

inline __m256i LumaOf(const uint32_t* means) {
  return _mm256_srli_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(means)), 24);
}

uint64_t LaneSum(__m256i v) {
  uint32_t l[8];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(l), v);
  uint64_t s = 0;
  for (uint32_t x : l) s += x;
  return s;
}

// kRange: also the least and greatest x taken.
template <bool kRange>
struct Accumulator {
  __m256i n = _mm256_setzero_si256(), sx = n, sy = n, sxx = n, sxy = n;
  __m256i least = _mm256_set1_epi32(255), greatest = _mm256_setzero_si256();

  void Add(__m256i x, __m256i y, __m256i taken) {
    x = _mm256_and_si256(x, taken);
    y = _mm256_and_si256(y, taken);
    n = _mm256_sub_epi32(n, taken);
    sx = _mm256_add_epi32(sx, x);
    sy = _mm256_add_epi32(sy, y);
    sxx = _mm256_add_epi32(sxx, _mm256_madd_epi16(x, x));  // the high halves are 0: x·x exactly
    sxy = _mm256_add_epi32(sxy, _mm256_madd_epi16(x, y));
    if (!kRange) return;
    least = _mm256_blendv_epi8(least, _mm256_min_epi32(least, x), taken);
    greatest = _mm256_max_epi32(greatest, x);  // x is 0 where not taken
  }
  void Into(LumaSums* s) const {
    s->n += LaneSum(n);
    s->sx += LaneSum(sx);
    s->sy += LaneSum(sy);
    s->sxx += LaneSum(sxx);
    s->sxy += LaneSum(sxy);
    if (!kRange) return;
    int32_t lo[8], hi[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lo), least);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(hi), greatest);
    for (int k = 0; k < 8; ++k) {
      if (lo[k] < s->least) s->least = lo[k];
      if (hi[k] > s->greatest) s->greatest = hi[k];
    }
  }
};

}  // namespace

size_t SceneLumaSums_AVX2(const uint64_t* scene, const uint8_t* valid, const uint32_t* means, const uint8_t* compared,
                          size_t n, LumaSums* sums) {
  Accumulator<true> acc;
  const __m256i zero = _mm256_setzero_si256();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i valid8 = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(valid + i)));
    const __m256i taken = _mm256_andnot_si256(_mm256_cmpeq_epi32(valid8, zero), TakenOf(compared + i));
    const __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(scene + i));
    const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(scene + i + 4));
    const __m256i x = RoundedLuma8(s0, s1);
    acc.Add(x, LumaOf(means + i), taken);
  }
  acc.Into(sums);
  return i;
}

size_t ViewLumaSums_AVX2(const int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n,
                         uint8_t* rounded, LumaSums* sums) {
  Accumulator<false> acc;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(view + i));
    const __m256i x = _mm256_srai_epi32(_mm256_add_epi32(v, _mm256_set1_epi32(128)), 8);  // floor
    const __m256i w = _mm256_packus_epi16(_mm256_packus_epi32(x, x), _mm256_packus_epi32(x, x));
    const uint32_t lo = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(w)));
    const uint32_t hi = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(w, 1)));
    std::memcpy(rounded + i, &lo, 4);
    std::memcpy(rounded + i + 4, &hi, 4);
    acc.Add(x, LumaOf(means + i), TakenOf(compared + i));
  }
  acc.Into(sums);
  return i;
}

size_t ViewFollow_AVX2(int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(view + i));
    const __m256i step = _mm256_srai_epi32(_mm256_sub_epi32(_mm256_slli_epi32(LumaOf(means + i), 8), v), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(view + i),
                        _mm256_add_epi32(v, _mm256_and_si256(step, TakenOf(compared + i))));
  }
  return i;
}

}  // namespace qlv
