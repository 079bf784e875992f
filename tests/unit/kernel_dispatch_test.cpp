// Which kernel level a process runs: the CPU's best, capped by QLV_MAX_LEVEL, or the
// reference under QLV_FORCE_REFERENCE; and the AVX2 level is either run or reported skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "pixel/cpu_features.h"
#include "pixel/kernels.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

using kernels::ChooseKernelLevel;
using kernels::KernelLevel;

TEST(KernelDispatch, ChoiceFromCpuAndEnvironment) {
  struct Case {
    bool sse2, avx2;
    const char* force;
    const char* max;
    KernelLevel expect;
  };
  const Case cases[] = {
      {true, true, nullptr, nullptr, KernelLevel::Avx2},
      {true, false, nullptr, nullptr, KernelLevel::Sse2},
      {false, false, nullptr, nullptr, KernelLevel::Reference},
      {true, true, "1", nullptr, KernelLevel::Reference},
      {true, true, "yes", "avx2", KernelLevel::Reference},
      {true, true, "0", nullptr, KernelLevel::Avx2},
      {true, true, "", nullptr, KernelLevel::Avx2},
      {true, true, nullptr, "sse2", KernelLevel::Sse2},
      {true, true, nullptr, "SSE2", KernelLevel::Sse2},
      {true, false, nullptr, "avx2", KernelLevel::Sse2},
      {false, false, nullptr, "sse2", KernelLevel::Reference},
      {true, true, nullptr, "reference", KernelLevel::Reference},
      {true, true, nullptr, "C", KernelLevel::Reference},
      {true, true, nullptr, "sse", KernelLevel::Avx2},  // not a level: caps nothing
      {true, true, nullptr, "", KernelLevel::Avx2},
  };
  for (const Case& c : cases) {
    CpuFeatures cpu;
    cpu.sse2 = c.sse2;
    cpu.avx2 = c.avx2;
    EXPECT_EQ(ChooseKernelLevel(cpu, c.force, c.max), c.expect)
        << "sse2 " << c.sse2 << " avx2 " << c.avx2 << " force " << (c.force ? c.force : "(unset)") << " max "
        << (c.max ? c.max : "(unset)");
  }
}

// Holds in every run of the tests, whatever the environment says.
TEST(KernelDispatch, ThisProcessRunsTheChosenLevelAndNothingAbove) {
  const KernelLevel chosen =
      ChooseKernelLevel(DetectedCpu(), std::getenv("QLV_FORCE_REFERENCE"), std::getenv("QLV_MAX_LEVEL"));
  EXPECT_EQ(kernels::ActiveKernels().level, chosen);
  std::string run;
  for (KernelLevel l : {KernelLevel::Reference, KernelLevel::Sse2, KernelLevel::Avx2}) {
    const kernels::KernelSet* k = kernels::KernelsFor(l);
    EXPECT_EQ(k != nullptr, l <= chosen) << testutil::LevelName(l);
    if (k) {
      EXPECT_EQ(k->level, l);
      run += run.empty() ? k->name : std::string(", ") + k->name;
    }
  }
  std::printf("kernel levels tested in this run: %s\n", run.c_str());
}

TEST(KernelDispatch, Avx2LevelRunsWhereTheCpuOffersIt) {
  // libgcc's own CPUID and XGETBV reading: an independent answer to the same question.
  __builtin_cpu_init();
  const bool offered = __builtin_cpu_supports("avx2") != 0;
  EXPECT_EQ(DetectedCpu().avx2, offered);
  if (!offered) GTEST_SKIP() << "AVX2 level skipped: this CPU does not offer AVX2 with the YMM state enabled";
  if (kernels::ActiveKernels().level < KernelLevel::Avx2)
    GTEST_SKIP() << "AVX2 level skipped: capped by QLV_MAX_LEVEL or QLV_FORCE_REFERENCE";
  const kernels::KernelSet* avx2 = kernels::KernelsFor(KernelLevel::Avx2);
  ASSERT_NE(avx2, nullptr);
  ASSERT_EQ(testutil::SimdLevels().back(), avx2);  // so every property test runs it
  // One row through it, against the reference, so that this test alone shows it runs here.
  std::mt19937 rng(12);
  std::vector<uint8_t> yuv = testutil::RandomBytes(rng, 2 * 720);
  std::vector<uint32_t> a(720), b(720);
  testutil::Reference().yuyvToSample(yuv.data(), a.data(), 720);
  avx2->yuyvToSample(yuv.data(), b.data(), 720);
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace qlv
