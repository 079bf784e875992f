// The sums behind the light fits, four or eight cells a step: this frame's luma against a remembered
// luma per cell (the view watch's view, the scene memory's scenes), and the view following
// the frame. Plain declarations only, as the vector unit is built for SSE2.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlv {

// Sums over the cells taken, with the least and greatest remembered level among them.
struct LumaSums {
  uint64_t n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  int32_t least = 255, greatest = 0;
};

// Each function handles cells [0, n − n % 4), adds to *sums and returns the number handled;
// the caller does the rest with its scalar loop. A cell is taken when its `compared` entry is
// not kNotCompared (0xFF) and, for the scenes, its `valid` entry is not 0.
//
// The scenes: x = luma lane of the scene (× 256) rounded to whole levels, y = luma of means.
size_t SceneLumaSums_SSE2(const uint64_t* scene, const uint8_t* valid, const uint32_t* means,
                          const uint8_t* compared, size_t n, LumaSums* sums);
// The view: x = view (× 256) rounded to whole levels, also stored into rounded[i]; `least`
// and `greatest` are left as they are.
size_t ViewLumaSums_SSE2(const int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n,
                         uint8_t* rounded, LumaSums* sums);
// view[i] += floor((y × 256 − view[i]) / 256) for the cells compared.
size_t ViewFollow_SSE2(int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n);
// The same, eight cells a step: cells [0, n − n % 8).
size_t SceneLumaSums_AVX2(const uint64_t* scene, const uint8_t* valid, const uint32_t* means,
                          const uint8_t* compared, size_t n, LumaSums* sums);
size_t ViewLumaSums_AVX2(const int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n,
                         uint8_t* rounded, LumaSums* sums);
size_t ViewFollow_AVX2(int32_t* view, const uint32_t* means, const uint8_t* compared, size_t n);

}  // namespace qlv
