// Chooses the kernel set once, by CPUID, capped by the environment.
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "pixel/cpu_features.h"
#include "pixel/kernels.h"

namespace qlv {
namespace kernels {
namespace {

const KernelSet kReference = {KernelLevel::Reference, "reference", YuyvToSampleRow_C, Rgb24ToSampleRow_C,
                              YuyvAccumulateRows_C,   Rgb24AccumulateRows_C, SumSampleRow_C, SumColumns_C,
                              BlendColorRun_C,       FillColorRun_C,       BlendWindowsRows_C,    BlendInkRow_C,
                              ResampleColumns_C,     ResampleRow_C,        BlendOverlayRowRgb_C,
                              BlendOverlayRowYuv_C};
const KernelSet kSse2 = {KernelLevel::Sse2,     "sse2",        YuyvToSampleRow_SSE2, Rgb24ToSampleRow_SSE2,
                         YuyvAccumulateRows_SSE2, Rgb24AccumulateRows_SSE2, SumSampleRow_SSE2, SumColumns_SSE2,
                         BlendColorRun_SSE2,     FillColorRun_SSE2,    BlendWindowsRows_SSE2, BlendInkRow_SSE2,
                         ResampleColumns_SSE2,   ResampleRow_SSE2,     BlendOverlayRowRgb_SSE2,
                         BlendOverlayRowYuv_SSE2};
// 8-byte windows and the caption's kernels keep their SSE2 variants: nothing wider to gain.
const KernelSet kAvx2 = {KernelLevel::Avx2,     "avx2",        YuyvToSampleRow_AVX2, Rgb24ToSampleRow_AVX2,
                         YuyvAccumulateRows_AVX2, Rgb24AccumulateRows_AVX2, SumSampleRow_AVX2, SumColumns_AVX2,
                         BlendColorRun_AVX2,     FillColorRun_AVX2,    BlendWindowsRows_SSE2, BlendInkRow_AVX2,
                         ResampleColumns_SSE2,   ResampleRow_SSE2,     BlendOverlayRowRgb_SSE2,
                         BlendOverlayRowYuv_SSE2};

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// Atomics, not guarded local statics (see DetectedCpu); racing first calls agree.
KernelLevel ChosenLevel() {
  static std::atomic<int> chosen{-1};
  int level = chosen.load(std::memory_order_acquire);
  if (level < 0) {
    level = static_cast<int>(
        ChooseKernelLevel(DetectedCpu(), std::getenv("QLV_FORCE_REFERENCE"), std::getenv("QLV_MAX_LEVEL")));
    chosen.store(level, std::memory_order_release);
  }
  return static_cast<KernelLevel>(level);
}

}  // namespace

KernelLevel ChooseKernelLevel(const CpuFeatures& cpu, const char* forceReference, const char* maxLevel) {
  if (forceReference && *forceReference && std::strcmp(forceReference, "0") != 0) return KernelLevel::Reference;
  KernelLevel cap = KernelLevel::Avx2;
  if (maxLevel && (EqualsNoCase(maxLevel, "reference") || EqualsNoCase(maxLevel, "c"))) cap = KernelLevel::Reference;
  if (maxLevel && EqualsNoCase(maxLevel, "sse2")) cap = KernelLevel::Sse2;
  if (cpu.avx2 && cap >= KernelLevel::Avx2) return KernelLevel::Avx2;
  if (cpu.sse2 && cap >= KernelLevel::Sse2) return KernelLevel::Sse2;
  return KernelLevel::Reference;
}

const KernelSet* KernelsFor(KernelLevel level) {
  if (level > ChosenLevel()) return nullptr;
  switch (level) {
    case KernelLevel::Reference:
      return &kReference;
    case KernelLevel::Sse2:
      return &kSse2;
    case KernelLevel::Avx2:
      return &kAvx2;
  }
  return nullptr;
}

const KernelSet& ActiveKernels() {
  static std::atomic<const KernelSet*> chosen{nullptr};
  const KernelSet* set = chosen.load(std::memory_order_acquire);
  if (!set) {
    set = KernelsFor(ChosenLevel());
    chosen.store(set, std::memory_order_release);
  }
  return *set;
}

}  // namespace kernels
}  // namespace qlv
