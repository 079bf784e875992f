// qlv_bench: times the pixel engine's rows in this build with Google Benchmark and prints
// them, or prints the one table of several builds' rows.
//   qlv_bench                       time every row, print this build's table
//   qlv_bench --rows BUILD          time every row, print tab-separated rows for --table
//   qlv_bench --table [--i686-emulated] FILE...   one table of the rows in the files
//   --filter TEXT                   only rows whose group or frame contains TEXT
//   --benchmark_...                 passed to Google Benchmark (after our defaults, so they win)
//   qlv_bench --paired A B [--filter TEXT]   the cost of row group B against group A, for each
//                                   frame and level both have, by alternating blocks of frames
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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
               "       qlv_bench --table [--i686-emulated] FILE...\n"
               "       qlv_bench --paired GROUP_A GROUP_B [--filter TEXT]\n");
  return 2;
}

// Many short repetitions, run in random order across the rows, and their median: a phase
// in which other processes took the cores then costs a few repetitions of several rows,
// not the figure of one row.
const char* const kDefaultFlags[] = {"--benchmark_repetitions=15", "--benchmark_min_time=0.02",
                                     "--benchmark_enable_random_interleaving=true",
                                     "--benchmark_report_aggregates_only=true"};

// B's time over A's as the median of 301 pairs of blocks of 20 calls, each block of B timed
// right after one of A: a machine whose speed wanders shifts both of a pair alike, where it
// would shift two rows timed seconds apart by different amounts.
int Paired(const std::string& a, const std::string& b, const std::string& filter) {
  const std::vector<BenchRow> rows = AllRows();
  int pairs = 0;
  for (const BenchRow& ra : rows) {
    if (ra.group != a) continue;
    const std::string frame = ra.frame.Name();
    if (!filter.empty() && frame.find(filter) == std::string::npos && ra.variant.find(filter) == std::string::npos)
      continue;
    for (const BenchRow& rb : rows) {
      if (rb.group != b || rb.frame.Name() != frame || rb.variant != ra.variant) continue;
      const std::function<void()> fa = ra.prepare(), fb = rb.prepare();
      std::vector<double> ratios;
      for (int k = 0; k < 301; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) fa();
        const auto t1 = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) fb();
        const auto t2 = std::chrono::steady_clock::now();
        ratios.push_back(std::chrono::duration<double>(t2 - t1).count() /
                         std::chrono::duration<double>(t1 - t0).count());
      }
      std::sort(ratios.begin(), ratios.end());
      std::printf("%s / %s\t%s\t%s\t%.3f\t(quartiles %.3f - %.3f)\n", b.c_str(), a.c_str(), frame.c_str(),
                  ra.variant.c_str(), ratios[150], ratios[75], ratios[225]);
      ++pairs;
    }
  }
  if (pairs == 0) std::fprintf(stderr, "qlv_bench: no rows of both %s and %s\n", a.c_str(), b.c_str());
  return pairs > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string build = sizeof(void*) == 8 ? "native" : "i686";
  std::string filter;
  bool rowsOnly = false, table = false, emulated = false;
  std::string pairedA, pairedB;
  std::vector<std::string> files;
  std::vector<std::string> flags(std::begin(kDefaultFlags), std::end(kDefaultFlags));
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rows" && i + 1 < argc) {
      rowsOnly = true;
      build = argv[++i];
    } else if (a == "--filter" && i + 1 < argc) {
      filter = argv[++i];
    } else if (a == "--paired" && i + 2 < argc) {
      pairedA = argv[++i];
      pairedB = argv[++i];
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
  if (!pairedA.empty()) return Paired(pairedA, pairedB, filter);
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
