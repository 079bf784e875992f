// Which kernel variants this CPU can run. Asked once; the environment may ask for less
// (ChooseKernelLevel in kernels.h).
#pragma once

namespace qlv {

struct CpuFeatures {
  bool sse2 = false;
  bool avx2 = false;
};

// Detected by CPUID on first use, then cached.
CpuFeatures DetectedCpu();

}  // namespace qlv
