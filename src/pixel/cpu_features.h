// Which kernel variants this CPU can run. Asked once; QLV_FORCE_REFERENCE=1 in the
// environment forces the scalar reference kernels (tests and comparisons).
#pragma once

namespace qlv {

struct CpuFeatures {
  bool sse2 = false;
  bool avx2 = false;
};

// Detected by CPUID on first use, then cached.
const CpuFeatures& DetectedCpu();

// True when the reference path is forced by the environment.
bool ForceReference();

}  // namespace qlv
