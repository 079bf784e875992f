// qlv_bench: times the pixel engine's rows in this build with Google Benchmark and prints
// them, or prints the one table of several builds' rows.
//   qlv_bench                       time every row, print this build's table
//   qlv_bench --rows BUILD          time every row, print tab-separated rows for --table
//   qlv_bench --table [--i686-emulated] FILE...   one table of the rows in the files
//   --filter TEXT                   only rows whose group or frame contains TEXT
//   --benchmark_...                 passed to Google Benchmark (after our defaults, so they win)
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_rows.h"
#include "row_benchmarks.h"

using namespace qlv::bench;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: qlv_bench [--filter TEXT] [--rows BUILD] [--benchmark_FLAG=VALUE...]\n"
               "       qlv_bench --table [--i686-emulated] FILE...\n");
  return 2;
}

// Many short repetitions, run in random order across the rows, and their median: a phase
// in which other processes took the cores then costs a few repetitions of several rows,
// not the figure of one row.
const char* const kDefaultFlags[] = {"--benchmark_repetitions=15", "--benchmark_min_time=0.02",
                                     "--benchmark_enable_random_interleaving=true",
                                     "--benchmark_report_aggregates_only=true"};

}  // namespace

int main(int argc, char** argv) {
  std::string build = sizeof(void*) == 8 ? "native" : "i686";
  std::string filter;
  bool rowsOnly = false, table = false, emulated = false;
  std::vector<std::string> files;
  std::vector<std::string> flags(std::begin(kDefaultFlags), std::end(kDefaultFlags));
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rows" && i + 1 < argc) {
      rowsOnly = true;
      build = argv[++i];
    } else if (a == "--filter" && i + 1 < argc) {
      filter = argv[++i];
    } else if (a == "--table") {
      table = true;
    } else if (a == "--i686-emulated") {
      emulated = true;
    } else if (a.rfind("--benchmark_", 0) == 0) {
      flags.push_back(a);
    } else if (table && !a.empty() && a[0] != '-') {
      files.push_back(a);
    } else {
      return Usage();
    }
  }
  if (table) {
    std::vector<RowResult> rows;
    for (const std::string& name : files) {
      std::ifstream in(name);
      if (!in) {
        std::fprintf(stderr, "qlv_bench: cannot read %s\n", name.c_str());
        return 1;
      }
      std::string line;
      RowResult r;
      while (std::getline(in, line))
        if (ParseRow(line, &r)) rows.push_back(r);
    }
    PrintTable(rows, emulated);
    return 0;
  }

  std::vector<BenchRow> rows;
  for (const BenchRow& row : AllRows()) {
    const std::string frame = row.frame.Name();
    if (filter.empty() || row.group.find(filter) != std::string::npos || frame.find(filter) != std::string::npos)
      rows.push_back(row);
  }
  RowReporter reporter(RegisterRowBenchmarks(rows, build));
  std::vector<char*> args = {argv[0]};
  for (std::string& f : flags) args.push_back(&f[0]);
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (count > 1) {
    std::fprintf(stderr, "qlv_bench: unknown option %s\n", args[1]);
    return Usage();
  }
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const std::vector<RowResult> timed = reporter.Timed();
  if (rowsOnly) {
    for (const RowResult& r : timed) std::printf("%s\n", FormatRow(r).c_str());
  } else {
    PrintTable(timed, false);
  }
  return 0;
}
