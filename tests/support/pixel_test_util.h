// Helpers shared by the pixel-engine tests: deterministic random frames and settings.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "pixel/frame_canvas.h"
#include "pixel/kernels.h"

namespace qlv {
namespace testutil {

// Every SIMD level this build and CPU can run (the reference excluded).
inline std::vector<const kernels::KernelSet*> SimdLevels() {
  std::vector<const kernels::KernelSet*> v;
  for (auto level : {kernels::KernelLevel::Sse2, kernels::KernelLevel::Avx2})
    if (const kernels::KernelSet* k = kernels::KernelsFor(level)) v.push_back(k);
  return v;
}

// The reference and every SIMD level this build and CPU can run, for parameterised tests.
inline std::vector<kernels::KernelLevel> AvailableLevels() {
  std::vector<kernels::KernelLevel> v = {kernels::KernelLevel::Reference};
  for (const kernels::KernelSet* k : SimdLevels()) v.push_back(k->level);
  return v;
}

inline const char* LevelName(kernels::KernelLevel level) {
  return level == kernels::KernelLevel::Reference ? "Reference" : level == kernels::KernelLevel::Sse2 ? "Sse2" : "Avx2";
}

inline const kernels::KernelSet& Reference() { return *kernels::KernelsFor(kernels::KernelLevel::Reference); }

inline std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

// FNV-1a over bytes, chained through `h`: the hashes that both builds must agree on.
inline uint64_t Fnv1a(uint64_t h, const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

// A frame of exactly FrameBytes(), so that ASan sees any access beyond it.
inline std::vector<uint8_t> RandomFrame(std::mt19937& rng, const FrameCanvas& c) {
  return RandomBytes(rng, c.FrameBytes());
}

inline FrameCanvas Canvas(int32_t w, int32_t h, int32_t format, kernels::KernelLevel level) {
  FrameCanvas c;
  c.SetGeometry(w, h, format);
  c.SetKernelLevel(level);
  return c;
}

}  // namespace testutil
}  // namespace qlv
