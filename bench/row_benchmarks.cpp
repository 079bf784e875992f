#include "row_benchmarks.h"

#include <iostream>
#include <memory>

namespace qlv {
namespace bench {

std::string RowBenchmarkName(const RowResult& r) {
  std::string name = r.group + "/" + r.frame;
  for (char& c : name)
    if (c == ' ') c = '_';
  return r.variant.empty() ? name : name + "/" + r.variant;
}

std::vector<RowResult> RegisterRowBenchmarks(const std::vector<BenchRow>& rows, const std::string& build) {
  std::vector<RowResult> out;
  for (const BenchRow& row : rows) {
    RowResult r;
    r.build = build;
    r.group = row.group;
    r.frame = row.frame.Name();
    r.variant = row.variant;
    out.push_back(r);
    auto call = std::make_shared<std::function<void()>>();
    auto prepare = row.prepare;
    benchmark::RegisterBenchmark(RowBenchmarkName(r).c_str(),
                                 [call, prepare](benchmark::State& state) {
                                   if (!*call) *call = prepare();
                                   const std::function<void()>& f = *call;
                                   for (auto _ : state) f();
                                 })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  return out;
}

RowReporter::RowReporter(std::vector<RowResult> rows) : ConsoleReporter(OO_None), rows_(std::move(rows)) {
  for (size_t i = 0; i < rows_.size(); ++i) index_[RowBenchmarkName(rows_[i])] = i;
  SetOutputStream(&std::cerr);
  SetErrorStream(&std::cerr);
}

bool RowReporter::RowMicros(const Run& run, double* us) {
  if (run.error_occurred) return false;
  const bool figure = run.run_type == Run::RT_Aggregate
                          ? run.aggregate_name == "median" && run.aggregate_unit == benchmark::kTime
                          : run.repetitions <= 1;
  if (!figure) return false;
  *us = run.GetAdjustedRealTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
  return *us > 0;
}

void RowReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown;
  for (const Run& run : runs) {
    double us = 0;
    if (RowMicros(run, &us)) {
      auto it = index_.find(run.run_name.function_name);
      if (it != index_.end()) rows_[it->second].us = us;
      shown.push_back(run);
    } else if (run.error_occurred) {
      shown.push_back(run);
    }
  }
  if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
}

std::vector<RowResult> RowReporter::Timed() const {
  std::vector<RowResult> timed;
  for (const RowResult& r : rows_)
    if (r.us > 0) timed.push_back(r);
  return timed;
}

}  // namespace bench
}  // namespace qlv
