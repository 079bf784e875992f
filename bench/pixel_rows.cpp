// Rows of the pixel engine at video rate: the frame copy (the memory floor), DetectMotion
// with all cells and with 10 % of the cells watched, the state areas plus grid, and the
// caption's blend, and DetectMotion with the tuning window's change levels kept and drawn, at
// every kernel level this build and CPU run.
#include <cstring>
#include <memory>
#include <random>

#include "bench_rows.h"
#include "detect/motion_detector.h"
#include "heap_layer_allocator.h"
#include "overlay/caption.h"
#include "overlay/level_labels.h"
#include "overlay/state_overlay.h"
#include "pixel/kernels.h"
#include "plugin/detector_tuning.h"

namespace qlv {
namespace bench {
namespace {

using kernels::KernelLevel;

std::vector<uint8_t> RandomFrame(size_t bytes, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> f(bytes);
  for (auto& b : f) b = static_cast<uint8_t>(rng());
  return f;
}

KernelLevel LevelOf(const std::string& name) {
  for (KernelLevel l : {KernelLevel::Avx2, KernelLevel::Sse2, KernelLevel::Reference})
    if (const kernels::KernelSet* k = kernels::KernelsFor(l))
      if (name == k->name) return l;
  return KernelLevel::Reference;
}

volatile int g_sink;

std::function<void()> Copy(BenchFrame f) {
  auto src = std::make_shared<std::vector<uint8_t>>(RandomFrame(
      static_cast<size_t>(f.width) * f.height * (f.format == 0 ? 2 : 3), 1));
  auto dst = std::make_shared<std::vector<uint8_t>>(src->size());
  return [src, dst] {
    std::memcpy(dst->data(), src->data(), src->size());
    g_sink = (*dst)[dst->size() / 2];
  };
}

struct DetectData {
  FrameCanvas canvas;
  MotionDetector det;
  MaskGrid grid;
  SettingsRecord settings;
  std::vector<uint8_t> frame;
};

std::function<void()> Detect(BenchFrame f, KernelLevel level, int percentWatched, bool guards = false,
                             bool intruder = false) {
  auto d = std::make_shared<DetectData>();
  if (guards) {
    d->settings.LightChangePercent = 50;
    d->settings.MuteBusyPercent = 20;
    d->settings.MinAlarmCells = 3;
  }
  if (intruder) {  // the scene memory, the view watch and the busy margin as recommended
    d->settings.SceneSeconds = 10;
    d->settings.ViewLostSeconds = 4;
    d->settings.BusyMargin = 3;
  }
  d->canvas.SetGeometry(f.width, f.height, f.format);
  d->canvas.SetKernelLevel(level);
  d->det.SetKernelLevel(level);
  d->det.ResizeSamples(f.width, f.height);
  d->grid.SetDefaultGrid();
  for (int32_t i = 0; i < d->grid.cellCount(); ++i)
    d->grid.watch()[i] = (i * 100 / d->grid.cellCount()) < percentWatched;
  d->frame = RandomFrame(d->canvas.FrameBytes(), 2);
  return [d] { g_sink = d->det.DetectMotion(d->frame.data(), d->canvas, d->grid, d->settings); };
}

struct LevelsData : DetectData {
  DetectorTuning tuning;
  std::vector<CellLabel> labels;
  uint32_t now = 0;
};

// What a frame costs more while the tuning window shows the change levels: the levels kept,
// their rings fed, the labels made and drawn.
std::function<void()> DetectWithLevels(BenchFrame f, KernelLevel level) {
  auto d = std::make_shared<LevelsData>();
  d->canvas.SetGeometry(f.width, f.height, f.format);
  d->canvas.SetKernelLevel(level);
  d->det.SetKernelLevel(level);
  d->det.ResizeSamples(f.width, f.height);
  d->grid.SetDefaultGrid();
  d->grid.WatchAll();
  d->frame = RandomFrame(d->canvas.FrameBytes(), 2);
  d->tuning.Open(nullptr);
  d->tuning.ShowLevels(true);
  d->det.KeepLevels(true);
  return [d] {
    const DetectorParams p(d->settings);
    g_sink = d->det.DetectMotion(d->frame.data(), d->canvas, d->grid, p);
    d->tuning.AfterDetection(d->det, p, d->now += 40);
    d->tuning.Labels(d->grid, d->det.state(), d->settings.Sensitive, &d->labels);
    DrawCellLabels(d->frame.data(), d->canvas, d->grid.columns(), d->grid.rows(), d->labels.data(), 0xFF, 0xFFFF, 0xFF);
  };
}

std::function<void()> AreasAndGrid(BenchFrame f, KernelLevel level) {
  auto d = std::make_shared<DetectData>();
  d->canvas.SetGeometry(f.width, f.height, f.format);
  d->canvas.SetKernelLevel(level);
  d->grid.SetDefaultGrid();
  d->grid.WatchAll();
  // Some cells in each state, as in a scene with motion.
  d->det.state().Follow(d->grid);
  for (int32_t i = 0; i < d->grid.cellCount(); ++i) d->det.state().history()[i] = i % 7 == 0 ? 1 : i % 11 == 0 ? 3 : 0;
  d->settings.FrameCounter = 2;
  d->frame = RandomFrame(d->canvas.FrameBytes(), 3);
  return [d] {
    DrawStateAreas(d->frame.data(), d->canvas, d->grid, d->det.state(), d->settings);
    DrawGrid(d->frame.data(), d->canvas, d->grid, d->settings);
    g_sink = d->frame[d->frame.size() / 3];
  };
}

// The caption drawn as solid-striped boxes of the size a 20-point bold date and time
// measures (240 x 38): the blend's cost does not depend on the glyph shapes.
class BoxText : public TextRasterizer {
 public:
  void SetFont(const CaptionFont&) override {}
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

struct CaptionData {
  HeapLayerAllocator heap;
  BoxText text;
  Caption caption{heap, text};
  std::unique_ptr<OverlayComposer> composer;
  OverlayGeometry geometry{};
  CaptionPlacement at{};
  std::vector<uint8_t> frame;
};

std::function<void()> CaptionBlend(BenchFrame f, KernelLevel level) {
  auto d = std::make_shared<CaptionData>();
  d->caption.InitLayers();
  SettingsRecord s;
  d->caption.RenderCaption(s, OverlayGeometry{768, 576, OverlayGeometry::kRgb24});
  d->caption.surface().SelectLayer(0);
  d->geometry = OverlayGeometry{f.width, f.height, f.format};
  d->composer = std::make_unique<OverlayComposer>(level);
  const OverlaySurface& surface = d->caption.surface();
  d->composer->PrepareOverlay(surface.pixels(), surface.capacityWidth(), surface.capacityHeight(), surface.used(),
                              318, 69, d->geometry);
  d->at = PlaceCaption(3, d->composer->prepared(), d->geometry);
  d->frame = RandomFrame(static_cast<size_t>(f.width) * f.height * (f.format == 0 ? 2 : 3), 5);
  return [d] {
    d->composer->BlendOverlay(d->frame.data(), d->at.px, d->at.py, 50, d->geometry);
    g_sink = d->frame[d->frame.size() / 3];
  };
}

void AddPixelRows(std::vector<BenchRow>& rows) {
  for (const BenchFrame& f : BenchFrames()) {
    rows.push_back({"copy", f, "", [f] { return Copy(f); }});
    for (const std::string& name : LevelNames()) {
      const KernelLevel l = LevelOf(name);
      rows.push_back({"detect", f, name, [f, l] { return Detect(f, l, 100); }});
      rows.push_back({"detect10", f, name, [f, l] { return Detect(f, l, 10); }});
      rows.push_back({"detectguards", f, name, [f, l] { return Detect(f, l, 100, true); }});
      rows.push_back({"detectintruder", f, name, [f, l] { return Detect(f, l, 100, true, true); }});
      rows.push_back({"detectlevels", f, name, [f, l] { return DetectWithLevels(f, l); }});
      rows.push_back({"areas", f, name, [f, l] { return AreasAndGrid(f, l); }});
      rows.push_back({"caption", f, name, [f, l] { return CaptionBlend(f, l); }});
    }
  }
}

const bool registered = RegisterRows(AddPixelRows);

}  // namespace
}  // namespace bench
}  // namespace qlv
