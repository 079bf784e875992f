// Four cells a step in 32-bit lanes; the scene's lanes stay 16-bit, two cells a vector, where
// every drift, rounding and learning step has the same integers as the packed scalar words.
#include <emmintrin.h>

#include <cstring>

#include "detect/cell_judge.h"
#include "detect/scene_lanes_simd.h"

namespace qlv {
namespace {

inline __m128i LoadBytes4(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128()), _mm_setzero_si128());
}
// Lanes of 0 .. 255 back to four bytes.
inline void StoreBytes4(uint8_t* p, __m128i v) {
  const __m128i w = _mm_packs_epi32(v, v);
  const int32_t b = _mm_cvtsi128_si32(_mm_packus_epi16(w, w));
  std::memcpy(p, &b, 4);
}
inline __m128i LoadWords4(const uint16_t* p) {
  return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
// Lanes of 0 .. 65,535 back to four words: the low halves, sign-extended so that the signed
// pack keeps their bits.
inline void StoreWords4(uint16_t* p, __m128i v) {
  const __m128i s = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packs_epi32(s, s));
}
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
inline __m128i Max(__m128i a, __m128i b) { return Select(_mm_cmpgt_epi32(a, b), a, b); }

// Two cells' scenes: learnt, drifted or kept by their 32-bit masks m (lanes of cells k, k + 1).
inline __m128i NextScene(__m128i s, __m128i spread, __m128i learn, __m128i drift) {
  const __m128i learnt = _mm_slli_epi16(spread, 8);
  const __m128i up = _mm_srli_epi16(_mm_add_epi16(s, _mm_set1_epi16(127)), 7);
  const __m128i drifted = _mm_add_epi16(_mm_sub_epi16(s, up), _mm_slli_epi16(spread, 1));
  return Select(learn, learnt, Select(drift, drifted, s));
}

constexpr uint8_t kBitsOf[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

}  // namespace

size_t JudgeLumaCells_SSE2(const LumaJudgeArrays& a, size_t n, uint32_t* count) {
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi32(-1), one = _mm_set1_epi32(1);
  const __m128i threshold = _mm_set1_epi32(a.threshold), margin = _mm_set1_epi32(a.margin);
  const __m128i lastAbsorb = _mm_set1_epi32(static_cast<int32_t>(a.absorbFrames) - 1);
  const bool busy = a.row != nullptr;
  uint32_t changedCount = 0;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i changed = LoadBytes4(a.changed + i);
    const __m128i compared = _mm_xor_si128(_mm_cmpeq_epi32(changed, _mm_set1_epi32(0xFF)), ones);
    if (_mm_movemask_epi8(compared) == 0) continue;
    const __m128i level0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.frameLevels + i));
    // The bar from the record as it was before this frame.
    __m128i bar = threshold, baseCount = zero, top = zero;
    if (busy) {
      baseCount = LoadBytes4(a.baseCount + i);
      top = LoadWords4(a.top + i);
      bar = Select(_mm_cmpgt_epi32(baseCount, _mm_set1_epi32(2)), Max(_mm_add_epi32(top, margin), threshold),
                   threshold);
    }
    // The scene: its luma rounded to whole levels, against this frame's luma.
    const __m128i valid0 = LoadBytes4(a.valid + i);
    const __m128i valid = _mm_xor_si128(_mm_cmpeq_epi32(valid0, zero), ones);
    const __m128i means = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.means + i));
    __m128i s01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.scene + i));
    __m128i s23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.scene + i + 2));
    const __m128i x = RoundedLuma4(s01, s23);
    const __m128i d = _mm_sub_epi32(_mm_srli_epi32(means, 24), x);
    const __m128i sign = _mm_srai_epi32(d, 31);
    const __m128i e = _mm_and_si128(_mm_sub_epi32(_mm_xor_si128(d, sign), sign), valid);
    const __m128i sceneBit = _mm_and_si128(_mm_cmpgt_epi32(e, bar), valid);
    const __m128i sceneBase = _mm_and_si128(_mm_cmpgt_epi32(e, threshold), valid);
    // The frame-to-frame bit; a negative level never counts.
    const __m128i counts = _mm_cmpgt_epi32(level0, ones);
    const __m128i frameLevel = _mm_and_si128(level0, counts);
    const __m128i frameBit = _mm_and_si128(_mm_cmpgt_epi32(level0, bar), counts);
    const __m128i frameBase = _mm_and_si128(_mm_cmpgt_epi32(level0, threshold), counts);
    const __m128i bit = _mm_and_si128(_mm_or_si128(frameBit, sceneBit), compared);
    const __m128i level = Max(frameLevel, e);
    changedCount += kBitsOf[_mm_movemask_ps(_mm_castsi128_ps(bit))];
    StoreBytes4(a.changed + i, Select(compared, _mm_and_si128(bit, one), changed));
    if (a.shown) {
      const __m128i shown = Select(_mm_cmpgt_epi32(level, _mm_set1_epi32(254)), _mm_set1_epi32(254), level);
      StoreBytes4(a.shown + i, Select(compared, shown, LoadBytes4(a.shown + i)));
    }
    // Absorbed after absorbFrames frames of difference, learnt when absent, drifting otherwise.
    const __m128i absorb0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.absorb + i));
    const __m128i absorb1 = _mm_add_epi32(absorb0, one);
    const __m128i full = _mm_cmpgt_epi32(absorb1, lastAbsorb);
    const __m128i learn = _mm_and_si128(_mm_or_si128(_mm_andnot_si128(valid, ones), _mm_and_si128(sceneBit, full)),
                                        compared);
    const __m128i drift = _mm_and_si128(_mm_andnot_si128(sceneBit, valid), compared);
    const __m128i absorb = _mm_andnot_si128(full, _mm_and_si128(sceneBit, absorb1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a.absorb + i), Select(compared, absorb, absorb0));
    StoreBytes4(a.valid + i, Select(compared, one, valid0));
    s01 = NextScene(s01, _mm_unpacklo_epi8(means, zero), _mm_unpacklo_epi32(learn, learn),
                    _mm_unpacklo_epi32(drift, drift));
    s23 = NextScene(s23, _mm_unpackhi_epi8(means, zero), _mm_unpackhi_epi32(learn, learn),
                    _mm_unpackhi_epi32(drift, drift));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a.scene + i), s01);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a.scene + i + 2), s23);
    if (!busy) continue;
    // This frame enters the record: level and base bit, the base count, the peak.
    const __m128i base = _mm_or_si128(frameBase, sceneBase);
    const __m128i out = LoadWords4(a.row + i);
    StoreWords4(a.row + i, Select(compared, _mm_or_si128(level, _mm_and_si128(base, _mm_set1_epi32(0x8000))), out));
    const __m128i count1 = _mm_add_epi32(_mm_sub_epi32(baseCount, _mm_srli_epi32(out, 15)), _mm_and_si128(base, one));
    StoreBytes4(a.baseCount + i, Select(compared, count1, baseCount));
    const __m128i below = _mm_and_si128(_mm_cmpgt_epi32(top, level), compared);
    StoreWords4(a.top + i, Select(_mm_andnot_si128(below, compared), level, top));
    const __m128i left = _mm_and_si128(below, _mm_cmpeq_epi32(_mm_and_si128(out, _mm_set1_epi32(0x7FFF)), top));
    const int refind = _mm_movemask_ps(_mm_castsi128_ps(left));
    if (refind != 0)  // the peak left the record: the highest of what is left, after the entry
      for (int k = 0; k < 4; ++k)
        if (refind >> k & 1) {
          const size_t cell = i + static_cast<size_t>(k);
          a.top[cell] = RecordPeak(a.levels, a.stride, a.records, cell);
        }
  }
  *count += changedCount;
  return i;
}

}  // namespace qlv
