#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench_rows.h"
#include "pixel/kernels.h"

namespace qlv {
namespace bench {

std::string BenchFrame::Name() const {
  return std::to_string(width) + "x" + std::to_string(height) + (format == 0 ? " YUY2" : " RGB24");
}

const std::vector<BenchFrame>& BenchFrames() {
  static const std::vector<BenchFrame> frames = {{720, 576, 0}, {720, 576, 1}, {1920, 1080, 0}, {1920, 1080, 1}};
  return frames;
}

std::string FormatRow(const RowResult& r) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%.3f\t%.3f\t%.3f", r.us, r.p10, r.p90);
  return r.build + "\t" + r.group + "\t" + r.frame + "\t" + r.variant + "\t" + numbers;
}

bool ParseRow(const std::string& line, RowResult* r) {
  std::vector<std::string> f;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (f.size() < 5 || f[0].empty() || f[1].empty()) return false;
  RowResult out;
  out.build = f[0];
  out.group = f[1];
  out.frame = f[2];
  out.variant = f[3];
  char* end = nullptr;
  out.us = std::strtod(f[4].c_str(), &end);
  if (end == f[4].c_str() || !(out.us > 0)) return false;
  if (f.size() >= 7) {
    out.p10 = std::strtod(f[5].c_str(), nullptr);
    out.p90 = std::strtod(f[6].c_str(), nullptr);
  }
  *r = out;
  return true;
}

namespace {
std::vector<RowAdder>& Adders() {
  static std::vector<RowAdder> adders;
  return adders;
}
}  // namespace

bool RegisterRows(RowAdder adder) {
  Adders().push_back(adder);
  return true;
}

std::vector<BenchRow> AllRows() {
  std::vector<BenchRow> rows;
  for (RowAdder a : Adders()) a(rows);
  // Frame by frame: the order in which the rows are written.
  std::stable_sort(rows.begin(), rows.end(), [](const BenchRow& a, const BenchRow& b) {
    const auto& frames = BenchFrames();
    auto index = [&](const BenchFrame& f) {
      for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i].Name() == f.Name()) return i;
      return frames.size();
    };
    return index(a.frame) < index(b.frame);
  });
  return rows;
}

std::vector<std::string> LevelNames() {
  std::vector<std::string> v;
  for (kernels::KernelLevel l : {kernels::KernelLevel::Avx2, kernels::KernelLevel::Sse2, kernels::KernelLevel::Reference})
    if (const kernels::KernelSet* k = kernels::KernelsFor(l)) v.push_back(k->name);
  return v;
}

}  // namespace bench
}  // namespace qlv
