// qlv_bench: times the pixel engine's rows in this build and prints them, or prints the
// one table of several builds' rows.
//   qlv_bench                       time every row, print this build's table
//   qlv_bench --rows BUILD          time every row, print tab-separated rows for --table
//   qlv_bench --table [--i686-emulated] FILE...   one table of the rows in the files
//   --filter TEXT                   only rows whose group or frame contains TEXT
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_rows.h"

using namespace qlv::bench;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: qlv_bench [--filter TEXT] [--rows BUILD]\n"
               "       qlv_bench --table [--i686-emulated] FILE...\n");
  return 2;
}

// Every row is timed in three passes over all rows, and keeps its lowest median: a phase
// in which other processes took the cores then costs one pass, not the row.
std::vector<RowResult> TimeRows(const std::string& build, const std::string& filter) {
  std::vector<BenchRow> rows;
  for (const BenchRow& row : AllRows()) {
    const std::string frame = row.frame.Name();
    if (filter.empty() || row.group.find(filter) != std::string::npos || frame.find(filter) != std::string::npos)
      rows.push_back(row);
  }
  std::vector<RowResult> out(rows.size());
  for (int pass = 0; pass < 3; ++pass)
    for (size_t i = 0; i < rows.size(); ++i) {
      RowResult& r = out[i];
      r.build = build;
      r.group = rows[i].group;
      r.frame = rows[i].frame.Name();
      r.variant = rows[i].variant;
      const double us = MedianMicros(rows[i].prepare());
      r.us = pass == 0 ? us : std::min(r.us, us);
    }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string build = sizeof(void*) == 8 ? "native" : "i686";
  std::string filter;
  bool rowsOnly = false, table = false, emulated = false;
  std::vector<std::string> files;
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
  std::vector<RowResult> timed = TimeRows(build, filter);
  if (rowsOnly) {
    for (const RowResult& r : timed) std::printf("%s\n", FormatRow(r).c_str());
  } else {
    PrintTable(timed, false);
  }
  return 0;
}
