// The caption at video rate: the per-frame blend of the default caption (text of
// 240 x 38 pixels, as a 20-point bold date and time measures) at 720 x 576 and
// 1920 x 1080 in both formats, as a ratio to one frame copy (counter vs_copy,
// thread CPU time, target <= 0.1), with the scalar reference beside the SSE2 kernels; and
// PrepareOverlay with its filter tables warm (cached) and cold (rebuilt).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "heap_layer_allocator.h"
#include "overlay/caption.h"
#include "pixel/kernels.h"

namespace qlv {
namespace {

kernels::KernelLevel LevelOf(bool reference) {
  return reference ? kernels::KernelLevel::Reference : kernels::ActiveKernels().level;
}

// Draws each text as a solid box of a fixed size: the blend's cost does not
// depend on the glyph shapes.
class BoxText : public TextRasterizer {
 public:
  void SetFont(const CaptionFontSpec&) override {}
  bool BeginText() override { return true; }
  TextExtent MeasureText(const std::string&) override { return TextExtent{240, 38}; }
  void DrawLayerText(const OverlaySurface& s, const std::string&, uint32_t color, const TextOrigin* o,
                     int32_t n) override {
    const OverlayRect u = s.used();
    for (int32_t y = 0; y < u.height(); ++y)
      for (int32_t x = 0; x < u.width(); ++x) {
        bool inside = false;
        for (int32_t i = 0; i < n; ++i)
          inside |= x >= o[i].x && x < o[i].x + 240 && y >= o[i].y && y < o[i].y + 38 && ((x / 3 + y / 4) & 1);
        uint8_t* p = s.pixels() + ((s.capacityHeight() - 1 - y) * s.capacityWidth() + x) * 4;
        p[0] = inside ? static_cast<uint8_t>(color >> 16) : 0;
        p[1] = inside ? static_cast<uint8_t>(color >> 8) : 0;
        p[2] = inside ? static_cast<uint8_t>(color) : 0;
        p[3] = 0;
      }
  }
  void EndText() override {}
};

struct CaptionLayer {
  HeapLayerAllocator heap;
  BoxText text;
  Caption caption{heap, text};
  CaptionLayer() {
    caption.InitLayers();
    SettingsRecord s;
    caption.RenderCaption(s, OverlayGeometry{768, 576, OverlayGeometry::kRgb24});
    caption.surface().SelectLayer(0);
  }
  void Prepare(OverlayComposer& c, const OverlayGeometry& g) {
    OverlaySurface& s = caption.surface();
    c.PrepareOverlay(s.pixels(), s.capacityWidth(), s.capacityHeight(), s.used(), 318, 69, g);
  }
};

std::vector<uint8_t> RandomFrame(const OverlayGeometry& g) {
  std::mt19937 rng(5);
  std::vector<uint8_t> f(static_cast<size_t>(g.width) * g.height * (g.pixelFormat == 0 ? 2 : 3));
  for (auto& b : f) b = static_cast<uint8_t>(rng());
  return f;
}

// CPU time of this thread in microseconds: the ratio stays meaningful on a busy machine.
double ThreadMicroseconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// Microseconds of one frame copy (best of five rounds), for the ratio counter.
double CopyMicroseconds(const std::vector<uint8_t>& frame) {
  std::vector<uint8_t> dst(frame.size());
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    const double t0 = ThreadMicroseconds();
    for (int i = 0; i < 50; ++i) {
      std::memcpy(dst.data(), frame.data(), frame.size());
      benchmark::DoNotOptimize(dst.data());
      benchmark::ClobberMemory();
    }
    best = std::min(best, (ThreadMicroseconds() - t0) / 50);
  }
  return best;
}

void BlendCaption(benchmark::State& state, OverlayGeometry g, bool reference) {
  CaptionLayer layer;
  OverlayComposer c(LevelOf(reference));
  layer.Prepare(c, g);
  std::vector<uint8_t> frame = RandomFrame(g);
  const double copy = CopyMicroseconds(frame);
  const CaptionPlacement at = PlaceCaption(3, c.prepared(), g);
  const double t0 = ThreadMicroseconds();
  for (auto _ : state) {
    c.BlendOverlay(frame.data(), at.px, at.py, 50, g);
    benchmark::ClobberMemory();
  }
  const double us = (ThreadMicroseconds() - t0) / static_cast<double>(state.iterations());
  state.counters["copy_us"] = copy;
  state.counters["vs_copy"] = us / copy;
  state.counters["pixels"] = c.prepared().width() * c.prepared().height();
}

// The whole per-frame caption step (lock, time check, placement, blend).
void DrawCaptionFrame(benchmark::State& state, OverlayGeometry g) {
  CaptionLayer layer;
  SettingsRecord s;
  std::vector<uint8_t> frame = RandomFrame(g);
  const double copy = CopyMicroseconds(frame);
  layer.caption.DrawCaption(frame.data(), g, s, 1000);
  const double t0 = ThreadMicroseconds();
  for (auto _ : state) {
    layer.caption.DrawCaption(frame.data(), g, s, 1000);
    benchmark::ClobberMemory();
  }
  const double us = (ThreadMicroseconds() - t0) / static_cast<double>(state.iterations());
  state.counters["vs_copy"] = us / copy;
}

void Prepare(benchmark::State& state, OverlayGeometry g, bool reference, bool cold) {
  CaptionLayer layer;
  OverlayComposer c(LevelOf(reference));
  layer.Prepare(c, g);
  for (auto _ : state) {
    if (cold) c.ForgetTables();
    layer.Prepare(c, g);
    benchmark::DoNotOptimize(c.preparedPixels());
  }
}

std::string Name(const char* what, const OverlayGeometry& g, const char* variant) {
  return std::string(what) + "/" + std::to_string(g.width) + "x" + std::to_string(g.height) + "/" +
         (g.pixelFormat == 0 ? "YUY2" : "RGB24") + (variant[0] ? "/" : "") + variant;
}

const bool registered = [] {
  for (OverlayGeometry g : {OverlayGeometry{720, 576, 0}, OverlayGeometry{720, 576, 1}, OverlayGeometry{1920, 1080, 0},
                            OverlayGeometry{1920, 1080, 1}}) {
    benchmark::RegisterBenchmark(Name("CaptionBlend", g, "sse2").c_str(), BlendCaption, g, false)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("CaptionBlend", g, "reference").c_str(), BlendCaption, g, true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("DrawCaption", g, "").c_str(), DrawCaptionFrame, g)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("PrepareOverlay", g, "warm").c_str(), Prepare, g, false, false)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("PrepareOverlay", g, "cold").c_str(), Prepare, g, false, true)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("PrepareOverlay", g, "warm/reference").c_str(), Prepare, g, true, false)
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace
}  // namespace qlv

// Used only when no other benchmark file brings its own main.
__attribute__((weak)) int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
