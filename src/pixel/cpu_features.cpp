#include "pixel/cpu_features.h"

#include <cpuid.h>
#include <cstdlib>

namespace qlv {
namespace {

CpuFeatures Detect() {
  CpuFeatures f;
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return f;
  f.sse2 = (d & bit_SSE2) != 0;
  bool osxsave = (c & bit_OSXSAVE) != 0;
  bool avx = (c & bit_AVX) != 0;
  if (osxsave && avx) {
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    bool ymmEnabled = (lo & 0x6) == 0x6;
    if (ymmEnabled && __get_cpuid_count(7, 0, &a, &b, &c, &d)) f.avx2 = (b & bit_AVX2) != 0;
  }
  return f;
}

}  // namespace

const CpuFeatures& DetectedCpu() {
  static const CpuFeatures f = Detect();
  return f;
}

bool ForceReference() {
  static const bool forced = [] {
    const char* v = std::getenv("QLV_FORCE_REFERENCE");
    return v && *v && *v != '0';
  }();
  return forced;
}

}  // namespace qlv
