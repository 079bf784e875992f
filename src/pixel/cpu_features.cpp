#include "pixel/cpu_features.h"

#include <cpuid.h>

#include <atomic>

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
    // XCR0 bits 1 and 2: the OS saves the XMM and YMM state across context switches.
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    bool ymmEnabled = (lo & 0x6) == 0x6;
    if (ymmEnabled && __get_cpuid_count(7, 0, &a, &b, &c, &d)) f.avx2 = (b & bit_AVX2) != 0;
  }
  return f;
}

}  // namespace

// An atomic rather than a guarded local static: the guard would cost the plug-in a
// system lock object at every load that nothing frees. Racing first calls agree.
CpuFeatures DetectedCpu() {
  static std::atomic<int> bits{-1};
  int b = bits.load(std::memory_order_acquire);
  if (b < 0) {
    const CpuFeatures f = Detect();
    b = (f.sse2 ? 1 : 0) | (f.avx2 ? 2 : 0);
    bits.store(b, std::memory_order_release);
  }
  CpuFeatures f;
  f.sse2 = (b & 1) != 0;
  f.avx2 = (b & 2) != 0;
  return f;
}

}  // namespace qlv
