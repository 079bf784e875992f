// The benchmark's rows, shared by both builds: the native program and qlv_bench.exe under
// Wine time the same rows the same way (Google Benchmark, row_benchmarks.h), so that one
// table can put them side by side, each row as a ratio to its own build's frame copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qlv {
namespace bench {

struct BenchFrame {
  int32_t width, height, format;  // format: 0 YUY2, 1 RGB24
  std::string Name() const;       // "720x576 YUY2"
};

// The four frames of every table.
const std::vector<BenchFrame>& BenchFrames();

// One row: `prepare` builds the data and returns the call to time.
struct BenchRow {
  std::string group;    // "copy", "detect", "detect10", "areas", "caption", "opencv"
  BenchFrame frame;
  std::string variant;  // the kernel level's name, or ""
  std::function<std::function<void()>()> prepare;
};

// A timed row as written between the builds, one tab-separated line:
// build, group, frame, variant, microseconds, and for the host loop p10 and p90.
struct RowResult {
  std::string build, group, frame, variant;
  double us = 0, p10 = 0, p90 = 0;
};
std::string FormatRow(const RowResult& r);
bool ParseRow(const std::string& line, RowResult* r);

// Sources of rows register themselves at start-up (the peer row exists only where its
// library is linked).
using RowAdder = void (*)(std::vector<BenchRow>&);
bool RegisterRows(RowAdder adder);
std::vector<BenchRow> AllRows();

// Names of the kernel levels this build and CPU run, best first.
std::vector<std::string> LevelNames();

// The combined table of every build's rows, with the targets met or missed; `emulated`:
// the i686 rows were not run because 32-bit code runs under an emulator here.
void PrintTable(const std::vector<RowResult>& rows, bool i686Emulated);

}  // namespace bench
}  // namespace qlv
