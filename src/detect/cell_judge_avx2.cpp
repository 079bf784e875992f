// Eight cells a step in 32-bit lanes; the scenes of four cells fill a vector, their 16-bit
// lanes handled as in the SSE2 pass. Cross-lane moves only where the packing needs them.
#include <immintrin.h>

#include <cstring>

#include "detect/cell_judge.h"
#include "detect/scene_lanes_simd.h"

namespace qlv {
namespace {

inline __m256i LoadBytes8(const uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
// Lanes of 0 .. 255 back to eight bytes.
inline void StoreBytes8(uint8_t* p, __m256i v) {
  const __m256i w = _mm256_packus_epi32(v, v);  // per half: a0..a3 a0..a3 | a4..a7 a4..a7
  const __m256i b = _mm256_packus_epi16(w, w);
  const uint32_t lo = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(b)));
  const uint32_t hi = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(b, 1)));
  std::memcpy(p, &lo, 4);
  std::memcpy(p + 4, &hi, 4);
}
inline __m256i LoadWords8(const uint16_t* p) {
  return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
// Lanes of 0 .. 65,535 back to eight words.
inline void StoreWords8(uint16_t* p, __m256i v) {
  const __m256i w = _mm256_permute4x64_epi64(_mm256_packus_epi32(v, v), _MM_SHUFFLE(3, 1, 2, 0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(w));
}
// mask ? a : b, by whole lanes.
inline __m256i Select(__m256i mask, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, mask); }

// Four cells' scenes: learnt, drifted or kept by their masks widened to 64 bits.
inline __m256i NextScene(__m256i s, __m128i means4, __m128i learn4, __m128i drift4) {
  const __m256i spread = _mm256_cvtepu8_epi16(means4);
  const __m256i learnt = _mm256_slli_epi16(spread, 8);
  const __m256i up = _mm256_srli_epi16(_mm256_add_epi16(s, _mm256_set1_epi16(127)), 7);
  const __m256i drifted = _mm256_add_epi16(_mm256_sub_epi16(s, up), _mm256_slli_epi16(spread, 1));
  return Select(_mm256_cvtepi32_epi64(learn4), learnt, Select(_mm256_cvtepi32_epi64(drift4), drifted, s));
}

inline __m128i Low(__m256i v) { return _mm256_castsi256_si128(v); }
inline __m128i High(__m256i v) { return _mm256_extracti128_si256(v, 1); }

constexpr uint8_t kBitsOf[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

}  // namespace

size_t JudgeLumaCells_AVX2(const LumaJudgeArrays& a, size_t n, uint32_t* count) {
  const __m256i zero = _mm256_setzero_si256(), ones = _mm256_set1_epi32(-1), one = _mm256_set1_epi32(1);
  const __m256i threshold = _mm256_set1_epi32(a.threshold), margin = _mm256_set1_epi32(a.margin);
  const __m256i lastAbsorb = _mm256_set1_epi32(static_cast<int32_t>(a.absorbFrames) - 1);
  const bool busy = a.row != nullptr;
  uint32_t changedCount = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i changed = LoadBytes8(a.changed + i);
    const __m256i compared = _mm256_xor_si256(_mm256_cmpeq_epi32(changed, _mm256_set1_epi32(0xFF)), ones);
    if (_mm256_movemask_epi8(compared) == 0) continue;
    const __m256i level0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.frameLevels + i));
    // The bar from the record as it was before this frame.
    __m256i bar = threshold, baseCount = zero, top = zero;
    if (busy) {
      baseCount = LoadBytes8(a.baseCount + i);
      top = LoadWords8(a.top + i);
      bar = Select(_mm256_cmpgt_epi32(baseCount, _mm256_set1_epi32(2)),
                   _mm256_max_epi32(_mm256_add_epi32(top, margin), threshold), threshold);
    }
    // The scene: its luma rounded to whole levels, against this frame's luma.
    const __m256i valid0 = LoadBytes8(a.valid + i);
    const __m256i valid = _mm256_xor_si256(_mm256_cmpeq_epi32(valid0, zero), ones);
    const __m256i means = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.means + i));
    __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.scene + i));
    __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.scene + i + 4));
    const __m256i x = RoundedLuma8(s0, s1);
    const __m256i e = _mm256_and_si256(_mm256_abs_epi32(_mm256_sub_epi32(_mm256_srli_epi32(means, 24), x)), valid);
    const __m256i sceneBit = _mm256_and_si256(_mm256_cmpgt_epi32(e, bar), valid);
    const __m256i sceneBase = _mm256_and_si256(_mm256_cmpgt_epi32(e, threshold), valid);
    // The frame-to-frame bit; a negative level never counts.
    const __m256i counts = _mm256_cmpgt_epi32(level0, ones);
    const __m256i frameLevel = _mm256_and_si256(level0, counts);
    const __m256i frameBit = _mm256_and_si256(_mm256_cmpgt_epi32(level0, bar), counts);
    const __m256i frameBase = _mm256_and_si256(_mm256_cmpgt_epi32(level0, threshold), counts);
    const __m256i bit = _mm256_and_si256(_mm256_or_si256(frameBit, sceneBit), compared);
    const __m256i level = _mm256_max_epi32(frameLevel, e);
    const int bits = _mm256_movemask_ps(_mm256_castsi256_ps(bit));
    changedCount += static_cast<uint32_t>(kBitsOf[bits & 15] + kBitsOf[bits >> 4]);
    StoreBytes8(a.changed + i, Select(compared, _mm256_and_si256(bit, one), changed));
    if (a.shown)
      StoreBytes8(a.shown + i,
                  Select(compared, _mm256_min_epi32(level, _mm256_set1_epi32(254)), LoadBytes8(a.shown + i)));
    // Absorbed after absorbFrames frames of difference, learnt when absent, drifting otherwise.
    const __m256i absorb0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a.absorb + i));
    const __m256i absorb1 = _mm256_add_epi32(absorb0, one);
    const __m256i full = _mm256_cmpgt_epi32(absorb1, lastAbsorb);
    const __m256i learn =
        _mm256_and_si256(_mm256_or_si256(_mm256_andnot_si256(valid, ones), _mm256_and_si256(sceneBit, full)), compared);
    const __m256i drift = _mm256_and_si256(_mm256_andnot_si256(sceneBit, valid), compared);
    const __m256i absorb = _mm256_andnot_si256(full, _mm256_and_si256(sceneBit, absorb1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.absorb + i), Select(compared, absorb, absorb0));
    StoreBytes8(a.valid + i, Select(compared, one, valid0));
    s0 = NextScene(s0, Low(means), Low(learn), Low(drift));
    s1 = NextScene(s1, High(means), High(learn), High(drift));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.scene + i), s0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(a.scene + i + 4), s1);
    if (!busy) continue;
    // This frame enters the record: level and base bit, the base count, the peak.
    const __m256i base = _mm256_or_si256(frameBase, sceneBase);
    const __m256i out = LoadWords8(a.row + i);
    StoreWords8(a.row + i,
                Select(compared, _mm256_or_si256(level, _mm256_and_si256(base, _mm256_set1_epi32(0x8000))), out));
    const __m256i count1 =
        _mm256_add_epi32(_mm256_sub_epi32(baseCount, _mm256_srli_epi32(out, 15)), _mm256_and_si256(base, one));
    StoreBytes8(a.baseCount + i, Select(compared, count1, baseCount));
    const __m256i below = _mm256_and_si256(_mm256_cmpgt_epi32(top, level), compared);
    StoreWords8(a.top + i, Select(_mm256_andnot_si256(below, compared), level, top));
    const __m256i left =
        _mm256_and_si256(below, _mm256_cmpeq_epi32(_mm256_and_si256(out, _mm256_set1_epi32(0x7FFF)), top));
    const int refind = _mm256_movemask_ps(_mm256_castsi256_ps(left));
    if (refind != 0)  // the peak left the record: the highest of what is left, after the entry
      for (int k = 0; k < 8; ++k)
        if (refind >> k & 1) {
          const size_t cell = i + static_cast<size_t>(k);
          a.top[cell] = RecordPeak(a.levels, a.stride, a.records, cell);
        }
  }
  *count += changedCount;
  return i;
}

}  // namespace qlv
