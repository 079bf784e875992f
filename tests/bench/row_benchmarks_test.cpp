// The way from a row to its line in the table: registered as a benchmark, run by Google
// Benchmark, its median kept by the reporter, written and read back.
#include <gtest/gtest.h>

#include <cstring>

#include "bench_rows.h"
#include "row_benchmarks.h"

namespace qlv {
namespace bench {
namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

TEST(RowBenchmarks, EveryRowComesBackAsItsLineWithItsMedian) {
  // Calls that fill a buffer: long enough to be timed, short enough for a test.
  static std::vector<uint8_t> buffer(1 << 16);
  auto fill = [] {
    return std::function<void()>([] {
      std::memset(buffer.data(), 7, buffer.size());
      benchmark::ClobberMemory();
    });
  };
  const std::vector<BenchRow> rows = {{"copy", {720, 576, 0}, "", fill}, {"detect", {1920, 1080, 1}, "sse2", fill}};
  const std::vector<RowResult> untimed = RegisterRowBenchmarks(rows, "i686");
  ASSERT_EQ(untimed.size(), 2u);
  EXPECT_EQ(RowBenchmarkName(untimed[0]), "copy/720x576_YUY2");
  EXPECT_EQ(RowBenchmarkName(untimed[1]), "detect/1920x1080_RGB24/sse2");

  std::vector<std::string> flags = {"bench_tests", "--benchmark_repetitions=3", "--benchmark_min_time=0.001",
                                    "--benchmark_enable_random_interleaving=true",
                                    "--benchmark_report_aggregates_only=true"};
  std::vector<char*> args;
  for (std::string& f : flags) args.push_back(&f[0]);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  ASSERT_EQ(count, 1);

  RowReporter all(untimed);
  EXPECT_EQ(benchmark::RunSpecifiedBenchmarks(&all), 2u);
  const std::vector<RowResult> timed = all.Timed();
  ASSERT_EQ(timed.size(), 2u);
  for (size_t i = 0; i < timed.size(); ++i) {
    EXPECT_EQ(timed[i].build, "i686");
    EXPECT_EQ(timed[i].group, untimed[i].group);
    EXPECT_EQ(timed[i].frame, untimed[i].frame);
    EXPECT_EQ(timed[i].variant, untimed[i].variant);
    // 64 KiB filled in microseconds, not in nanoseconds or milliseconds.
    EXPECT_GT(timed[i].us, 0.05);
    EXPECT_LT(timed[i].us, 5000);
    RowResult back;
    ASSERT_TRUE(ParseRow(FormatRow(timed[i]), &back)) << FormatRow(timed[i]);
    EXPECT_EQ(back.build + "|" + back.group + "|" + back.frame + "|" + back.variant,
              timed[i].build + "|" + timed[i].group + "|" + timed[i].frame + "|" + timed[i].variant);
    EXPECT_NEAR(back.us, timed[i].us, 0.001);
  }

  // A filter by name: the rows it leaves out are not in the output at all.
  RowReporter some(untimed);
  EXPECT_EQ(benchmark::RunSpecifiedBenchmarks(&some, "^detect/"), 1u);
  ASSERT_EQ(some.Timed().size(), 1u);
  EXPECT_EQ(some.Timed()[0].variant, "sse2");
}

TEST(RowBenchmarks, OnlyTheMedianOrALoneRunIsTheFigure) {
  struct Case {
    const char* what;
    BenchRun::RunType type;
    const char* aggregate;
    benchmark::StatisticUnit unit;
    int64_t repetitions;
    bool error;
    benchmark::TimeUnit timeUnit;
    bool figure;
  } cases[] = {
      {"median", BenchRun::RT_Aggregate, "median", benchmark::kTime, 15, false, benchmark::kNanosecond, true},
      {"median in ms", BenchRun::RT_Aggregate, "median", benchmark::kTime, 15, false, benchmark::kMillisecond, true},
      {"mean", BenchRun::RT_Aggregate, "mean", benchmark::kTime, 15, false, benchmark::kMicrosecond, false},
      {"stddev", BenchRun::RT_Aggregate, "stddev", benchmark::kTime, 15, false, benchmark::kMicrosecond, false},
      {"cv", BenchRun::RT_Aggregate, "cv", benchmark::kPercentage, 15, false, benchmark::kMicrosecond, false},
      {"one of repetitions", BenchRun::RT_Iteration, "", benchmark::kTime, 15, false, benchmark::kMicrosecond, false},
      {"the only run", BenchRun::RT_Iteration, "", benchmark::kTime, 1, false, benchmark::kMicrosecond, true},
      {"failed", BenchRun::RT_Iteration, "", benchmark::kTime, 1, true, benchmark::kMicrosecond, false},
  };
  for (const Case& c : cases) {
    BenchRun run;
    run.run_type = c.type;
    run.aggregate_name = c.aggregate;
    run.aggregate_unit = c.unit;
    run.repetitions = c.repetitions;
    run.error_occurred = c.error;
    run.time_unit = c.timeUnit;
    run.real_accumulated_time = 0.5;  // seconds over 20000 calls: 25 us a call, whatever the unit shown
    run.iterations = 20000;
    double us = -1;
    EXPECT_EQ(RowReporter::RowMicros(run, &us), c.figure) << c.what;
    if (c.figure) {
      EXPECT_DOUBLE_EQ(us, 25.0) << c.what;
    }
  }
}

}  // namespace
}  // namespace bench
}  // namespace qlv
