// The scenes' luma, rounded to whole levels, for the vector passes: one helper per width, with
// internal linkage, so that each unit keeps the copy built for its own instruction set.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace qlv {
namespace {

// Four cells' scenes (two a vector) to their luma levels floor((s + 128) / 256), in 32-bit lanes.
inline __m128i RoundedLuma4(__m128i s01, __m128i s23) {
  const __m128i half = _mm_set1_epi16(128);
  const __m128i x01 = _mm_srli_epi64(_mm_srli_epi16(_mm_add_epi16(s01, half), 8), 48);
  const __m128i x23 = _mm_srli_epi64(_mm_srli_epi16(_mm_add_epi16(s23, half), 8), 48);
  return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(x01), _mm_castsi128_ps(x23), _MM_SHUFFLE(2, 0, 2, 0)));
}

#if defined(__AVX2__)
// Eight cells' scenes (four a vector) likewise.
inline __m256i RoundedLuma8(__m256i s0, __m256i s1) {
  const __m256i half = _mm256_set1_epi16(128);
  const __m256i x0 = _mm256_srli_epi64(_mm256_srli_epi16(_mm256_add_epi16(s0, half), 8), 48);
  const __m256i x1 = _mm256_srli_epi64(_mm256_srli_epi16(_mm256_add_epi16(s1, half), 8), 48);
  // Per half: x0 x1 x4 x5 | x2 x3 x6 x7, then the middle quarters swapped.
  return _mm256_permute4x64_epi64(
      _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(x0), _mm256_castsi256_ps(x1), _MM_SHUFFLE(2, 0, 2, 0))),
      _MM_SHUFFLE(3, 1, 2, 0));
}
#endif

}  // namespace
}  // namespace qlv
