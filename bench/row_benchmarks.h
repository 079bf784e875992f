// The rows as Google Benchmark benchmarks, and the reporter that turns each row's median
// back into a RowResult, so that every build writes the same lines for the one table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "bench_rows.h"

namespace qlv {
namespace bench {

// "group/frame/variant", the frame's space as '_': "detect/720x576_YUY2/avx2".
std::string RowBenchmarkName(const RowResult& r);

// Registers one benchmark per row, timed in real time; a row's data is prepared on its
// first run and kept for its later repetitions. Returns the rows' untimed results, in order.
std::vector<RowResult> RegisterRowBenchmarks(const std::vector<BenchRow>& rows, const std::string& build);

// Keeps the figure of every row it is told about and shows it, as the console reporter
// does, on standard error (standard output carries the rows).
class RowReporter : public benchmark::ConsoleReporter {
 public:
  explicit RowReporter(std::vector<RowResult> rows);
  void ReportRuns(const std::vector<Run>& runs) override;
  // The timed rows in registration order; rows filtered out or failed are left out.
  std::vector<RowResult> Timed() const;

  // Microseconds per call of real time, when `run` is a row's figure: the median over the
  // repetitions, or the only run when there is one repetition.
  static bool RowMicros(const Run& run, double* us);

 private:
  std::vector<RowResult> rows_;
  std::map<std::string, size_t> index_;
};

}  // namespace bench
}  // namespace qlv
