// Chooses the kernel set once, by CPUID, unless the environment forces the reference.
#include "pixel/cpu_features.h"
#include "pixel/kernels.h"

namespace qlv {
namespace kernels {
namespace {

const KernelSet kReference = {KernelLevel::Reference, "reference", YuyvToSampleRow_C, Rgb24ToSampleRow_C,
                              YuyvAccumulateRows_C,   Rgb24AccumulateRows_C, SumSampleRow_C, SumColumns_C,
                              BlendColorRun_C,       FillColorRun_C,       BlendWindowsRows_C,
                              ResampleColumns_C,     ResampleRow_C,        BlendOverlayRowRgb_C,
                              BlendOverlayRowYuv_C};
const KernelSet kSse2 = {KernelLevel::Sse2,     "sse2",        YuyvToSampleRow_SSE2, Rgb24ToSampleRow_SSE2,
                         YuyvAccumulateRows_SSE2, Rgb24AccumulateRows_SSE2, SumSampleRow_SSE2, SumColumns_SSE2,
                         BlendColorRun_SSE2,     FillColorRun_SSE2,    BlendWindowsRows_SSE2,
                         ResampleColumns_SSE2,   ResampleRow_SSE2,     BlendOverlayRowRgb_SSE2,
                         BlendOverlayRowYuv_SSE2};
#if defined(QLV_HAVE_AVX2_VARIANTS)
// 8-byte windows and the caption's kernels keep their SSE2 variants: nothing wider to gain.
const KernelSet kAvx2 = {KernelLevel::Avx2,     "avx2",        YuyvToSampleRow_AVX2, Rgb24ToSampleRow_AVX2,
                         YuyvAccumulateRows_AVX2, Rgb24AccumulateRows_AVX2, SumSampleRow_AVX2, SumColumns_AVX2,
                         BlendColorRun_AVX2,     FillColorRun_AVX2,    BlendWindowsRows_SSE2,
                         ResampleColumns_SSE2,   ResampleRow_SSE2,     BlendOverlayRowRgb_SSE2,
                         BlendOverlayRowYuv_SSE2};
#endif

}  // namespace

const KernelSet* KernelsFor(KernelLevel level) {
  switch (level) {
    case KernelLevel::Reference:
      return &kReference;
    case KernelLevel::Sse2:
      return DetectedCpu().sse2 ? &kSse2 : nullptr;
    case KernelLevel::Avx2:
#if defined(QLV_HAVE_AVX2_VARIANTS)
      return DetectedCpu().avx2 ? &kAvx2 : nullptr;
#else
      return nullptr;
#endif
  }
  return nullptr;
}

const KernelSet& ActiveKernels() {
  static const KernelSet* chosen = [] {
    if (ForceReference()) return &kReference;
    if (const KernelSet* k = KernelsFor(KernelLevel::Avx2)) return k;
    if (const KernelSet* k = KernelsFor(KernelLevel::Sse2)) return k;
    return &kReference;
  }();
  return *chosen;
}

}  // namespace kernels
}  // namespace qlv
