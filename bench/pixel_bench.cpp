// Pixel engine at video rate: DetectMotion and the state areas plus grid, at 720 x 576
// and 1920 x 1080 in both formats, next to a plain copy of the frame (the memory floor)
// and the scalar reference path. A table of ratios follows the run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"
#include "pixel/kernels.h"

namespace qlv {
namespace {

using kernels::KernelLevel;

struct Config {
  int32_t w, h, format;
  std::string Name() const {
    return std::to_string(w) + "x" + std::to_string(h) + (format == PixelFormatYUV422 ? " YUY2" : " RGB24");
  }
};

const Config kConfigs[] = {{720, 576, 0}, {720, 576, 1}, {1920, 1080, 0}, {1920, 1080, 1}};

std::vector<uint8_t> RandomFrame(size_t bytes) {
  std::mt19937 rng(42);
  std::vector<uint8_t> f(bytes);
  for (auto& b : f) b = static_cast<uint8_t>(rng());
  return f;
}

std::vector<KernelLevel> Levels() {
  std::vector<KernelLevel> v;
  for (KernelLevel l : {KernelLevel::Avx2, KernelLevel::Sse2, KernelLevel::Reference})
    if (kernels::KernelsFor(l)) v.push_back(l);
  return v;
}

const char* LevelName(KernelLevel l) { return kernels::KernelsFor(l)->name; }

void FrameCopy(benchmark::State& state, Config c) {
  FrameCanvas canvas;
  canvas.SetGeometry(c.w, c.h, c.format);
  std::vector<uint8_t> src = RandomFrame(canvas.FrameBytes()), dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}

void Detect(benchmark::State& state, Config c, KernelLevel level, int percentWatched) {
  FrameCanvas canvas;
  canvas.SetGeometry(c.w, c.h, c.format);
  canvas.SetKernelLevel(level);
  MotionDetector det;
  det.SetKernelLevel(level);
  det.ResizeSamples(c.w, c.h);
  MaskGrid grid;
  grid.SetDefaultGrid();
  for (int32_t i = 0; i < grid.cellCount(); ++i) grid.watch()[i] = (i * 100 / grid.cellCount()) < percentWatched;
  SettingsRecord s;
  std::vector<uint8_t> frame = RandomFrame(canvas.FrameBytes());
  for (auto _ : state) benchmark::DoNotOptimize(det.DetectMotion(frame.data(), canvas, grid, s));
}

void AreasAndGrid(benchmark::State& state, Config c, KernelLevel level) {
  FrameCanvas canvas;
  canvas.SetGeometry(c.w, c.h, c.format);
  canvas.SetKernelLevel(level);
  MaskGrid grid;
  grid.SetDefaultGrid();
  grid.WatchAll();
  SettingsRecord s;  // default colours and opacities
  std::vector<uint8_t> frame = RandomFrame(canvas.FrameBytes());
  for (auto _ : state) {
    DrawStateAreas(frame.data(), canvas, grid, s);
    DrawGrid(frame.data(), canvas, grid, s);
    benchmark::ClobberMemory();
  }
}

// Keeps every run's time per iteration (microseconds) by name for the table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> us;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        us[r.benchmark_name()] = r.cpu_accumulated_time * 1e6 / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string Key(const std::string& what, const Config& c, const std::string& variant) {
  return what + "/" + std::to_string(c.w) + "x" + std::to_string(c.h) + "/" + (c.format == 0 ? "YUY2" : "RGB24") +
         (variant.empty() ? "" : "/" + variant);
}

}  // namespace
}  // namespace qlv

int main(int argc, char** argv) {
  using namespace qlv;
  for (const Config& c : kConfigs) {
    benchmark::RegisterBenchmark(Key("FrameCopy", c, "").c_str(), FrameCopy, c)->Unit(benchmark::kMicrosecond);
    for (KernelLevel l : Levels())
      benchmark::RegisterBenchmark(Key("DetectMotion", c, std::string("all/") + LevelName(l)).c_str(), Detect, c, l, 100)
          ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Key("DetectMotion", c, std::string("10pct/") + LevelName(Levels().front())).c_str(),
                                 Detect, c, Levels().front(), 10)
        ->Unit(benchmark::kMicrosecond);
    for (KernelLevel l : Levels())
      benchmark::RegisterBenchmark(Key("AreasAndGrid", c, LevelName(l)).c_str(), AreasAndGrid, c, l)
          ->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const std::string best = LevelName(Levels().front());
  std::printf("\nRatios of CPU time (the machine is shared): time / frame copy; reference / SIMD. Targets: DetectMotion <= 4x copy (YUY2), <= 5x (RGB24);\n"
              "areas+grid <= 3x copy; SIMD >= 5x faster than the reference.\n");
  std::printf("%-16s %9s | %-28s %-22s %-14s | %-28s %-22s\n", "frame", "copy us", "DetectMotion all cells",
              "ref / SIMD", "10% cells", "areas + grid", "ref / SIMD");
  for (const Config& c : kConfigs) {
    auto t = [&](const std::string& k) {
      auto it = reporter.us.find(k);
      return it == reporter.us.end() ? 0.0 : it->second;
    };
    double copy = t(Key("FrameCopy", c, ""));
    if (copy <= 0) continue;
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; };
    double det = t(Key("DetectMotion", c, "all/" + best)), detRef = t(Key("DetectMotion", c, "all/reference"));
    double detSse = t(Key("DetectMotion", c, "all/sse2"));
    double det10 = t(Key("DetectMotion", c, "10pct/" + best));
    double ov = t(Key("AreasAndGrid", c, best)), ovRef = t(Key("AreasAndGrid", c, "reference"));
    double ovSse = t(Key("AreasAndGrid", c, "sse2"));
    char d[64], dr[64], d10[64], o[64], orr[64];
    std::snprintf(d, sizeof d, "%s %.0f us = %.1fx copy", best.c_str(), det, ratio(det, copy));
    std::snprintf(dr, sizeof dr, "%.1fx (sse2 %.1fx)", ratio(detRef, det), ratio(detRef, detSse));
    std::snprintf(d10, sizeof d10, "%.0f us", det10);
    std::snprintf(o, sizeof o, "%s %.0f us = %.1fx copy", best.c_str(), ov, ratio(ov, copy));
    std::snprintf(orr, sizeof orr, "%.1fx (sse2 %.1fx)", ratio(ovRef, ov), ratio(ovRef, ovSse));
    std::printf("%-16s %9.1f | %-28s %-22s %-14s | %-28s %-22s\n", c.Name().c_str(), copy, d, dr, d10, o, orr);
    if (detSse > 0)
      std::printf("%-16s %9s | sse2 %.0f us = %.1fx copy%*s| sse2 %.0f us = %.1fx copy\n", "", "", detSse,
                  ratio(detSse, copy), 38, "", ovSse, ratio(ovSse, copy));
  }
  benchmark::Shutdown();
  return 0;
}
