// Stream formats and frames as a host might send them: any width, height, pixel
// format, recording flag and processor class, then frames of exactly the size
// that format describes, through Start and ProcessFrame with every overlay on; and
// with the false-alarm guards, the change levels and a calibration run as one more
// input byte chooses, and the intruder options as the next.
// A format the plug-in cannot address leaves its frames untouched.
// Run with -detect_leaks=0 (fuzz/stream_fuzz.flags): the plug-in keeps its
// buffers from one run to the next, which libFuzzer would take for possible
// leaks and answer with a scan of the whole heap after most runs.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "heap_layer_allocator.h"
#include "overlay/caption.h"
#include "plugin/caption_plugin_hook.h"
#include "plugin/plugin.h"

namespace {

using namespace qlv;

// Text as a solid box, drawn a row at a time: cheap enough for thousands of runs.
class BoxText : public TextRasterizer {
 public:
  void SetFont(const CaptionFont&) override {}
  bool BeginText() override { return true; }
  TextExtent MeasureText(const std::string& text) override { return TextExtent{text.empty() ? 0 : 30, 9}; }
  void DrawLayerText(const OverlaySurface& surface, const std::string& text, uint32_t color,
                     const TextOrigin* origins, int32_t count) override {
    const OverlayRect used = surface.used();
    const int32_t capW = surface.capacityWidth(), capH = surface.capacityHeight();
    uint8_t* pixels = surface.pixels();
    if (!pixels || used.right > capW || used.bottom > capH) return;
    for (int32_t y = 0; y < used.bottom; ++y) std::memset(pixels + static_cast<size_t>(capH - 1 - y) * capW * 4, 0, used.right * 4u);
    if (text.empty()) return;
    const uint8_t px[4] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8), static_cast<uint8_t>(color), 0};
    for (int32_t i = 0; i < count; ++i)
      for (int32_t y = origins[i].y; y < origins[i].y + 9 && y < used.bottom; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(capH - 1 - y) * capW * 4;
        for (int32_t x = origins[i].x; x < origins[i].x + 30 && x < used.right; ++x) std::memcpy(row + 4 * x, px, 4);
      }
  }
  void EndText() override {}
};

struct Rig {
  testing_support::FakePlatform platform;
  HeapLayerAllocator allocator;
  BoxText text;
  Caption caption{allocator, text};
  CaptionPluginHook hook{caption, platform};
  Plugin plugin{platform};

  Rig() {
    platform.topWindows[{"TMain", "Quelvar"}] = 42;
    plugin.SetCaptionHook(&hook);
    // Initialised once: the settings file is read from disk only here.
    const std::string dir = "/tmp/qlv_stream_fuzz_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(dir);
    SettingsLocation loc;
    loc.folder = dir;
    loc.baseName = "QPM_QLVGuard";
    loc.fileName = "QPM_QLVGuard.ini";
    loc.fullPath = dir + loc.fileName;
    plugin.Init(nullptr, 0, loc);
    std::filesystem::remove_all(dir);
    const SettingsRecord w = plugin.EditSettings([](SettingsRecord& s) {
      s.ShowGrid = s.ShowMask = s.ShowTime = 1;
      s.RecShowGrid = s.RecShowMask = s.RecShowTime = 1;
      s.TextOpacity = 70;
      s.RecordEnable = 1;
      s.RecordType = 2;
      s.SoundEnable = 1;
    });
    caption.SetStyle(CaptionStyle(w));
    plugin.WatchAllCells();
  }
};

int32_t Read32(const uint8_t*& p, const uint8_t* end) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(p < end ? *p++ : 0) << (8 * k);
  return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Rig* rig = new Rig();
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  const uint8_t shape = p < end ? *p++ : 0;
  // Mostly small sizes (fast runs); now and then any 32-bit value at all.
  int32_t width = Read32(p, end), height = Read32(p, end);
  if (!(shape & 0x80)) {
    width = static_cast<int32_t>(static_cast<uint32_t>(width) % 68) - 4;
    height = static_cast<int32_t>(static_cast<uint32_t>(height) % 52) - 4;
  }
  // The guards and the tuning window: bits 0-1 the light-change share, 2-3 the busy share,
  // 4 three alarmed cells at least, 5 the levels shown, 6-7 a quiet or motion run or none.
  const uint8_t tune = p < end ? *p++ : 0;
  // The intruder options: bits 0-1 the scene's seconds, 2-3 the view's, 4-5 the busy margin.
  const uint8_t intruder = p < end ? *p++ : 0;
  static const uint32_t kShares[4] = {0, 1, 50, 100};
  static const uint32_t kSeconds[4] = {0, 1, 10, 600};
  static const uint32_t kMargins[4] = {0, 1, 3, 50};
  rig->plugin.EditSettings([&](SettingsRecord& s) {
    s.LightChangePercent = kShares[tune & 3];
    s.LightChangeFrames = 1 + (tune & 7);
    s.MuteBusyPercent = kShares[(tune >> 2) & 3];
    s.MinAlarmCells = tune & 0x10 ? 3 : 1;
    s.SceneSeconds = kSeconds[intruder & 3];
    s.ViewLostSeconds = kSeconds[(intruder >> 2) & 3];
    s.BusyMargin = kMargins[(intruder >> 4) & 3];
  });
  if (tune & 0xE0) rig->plugin.OpenTuning(nullptr); else rig->plugin.CloseTuning();
  rig->plugin.ShowChangeLevels((tune & 0x20) != 0);
  StreamFormat format{width, height, 0, static_cast<int32_t>(shape & 3) - 1, (shape >> 2) & 3, (shape >> 4) & 1};
  // Frames the canvas can address (at most 4 GB); of those only small ones are fed,
  // so that thousands of runs fit in a second.
  const uint64_t frameBytes = width > 0 && height > 0 && (format.pixelFormat == 0 || format.pixelFormat == 1)
                                  ? static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
                                        (format.pixelFormat == 0 ? 2u : 3u)
                                  : 0;
  const bool addressable = frameBytes > 0 && frameBytes <= 0xFFFFFFFFull;
  if (addressable && frameBytes > (128u << 10)) return 0;
  if (rig->plugin.Start(format) != 1) std::abort();
  // After Start, which cancels a run; kept to 5 s, so the tick below ends some.
  if (tune >> 6) rig->plugin.StartCalibration(tune >> 6 == 1 ? CalibrationKind::Quiet : CalibrationKind::Motion, 5);
  rig->platform.now += (shape >> 5) & 1;  // a new second renders the caption again

  const size_t bytes = addressable ? static_cast<size_t>(frameBytes) : 1;
  const int frames = 1 + ((shape >> 6) & 1);
  // The rest of the input, repeated, is the picture; each further frame starts
  // one byte later in it, so that frames differ.
  static const uint8_t kGrey[1] = {0x80};
  const uint8_t* pattern = p < end ? p : kGrey;
  const size_t period = p < end ? static_cast<size_t>(end - p) : 1;
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> frame(bytes);  // exactly that size: a read or write past it is caught
    for (size_t k = 0, from = f % period; k < bytes;) {
      const size_t n = std::min(bytes - k, period - from);
      std::memcpy(frame.data() + k, pattern + from, n);
      k += n;
      from = 0;
    }
    const std::vector<uint8_t> before = frame;
    const ChannelRef channel{0, 0, "Camera"};
    rig->platform.tick += 2600;  // two frames end a run of 5 s
    const int r = rig->plugin.ProcessFrame(frame.data(), &channel);
    if (!addressable && (r != 0 || std::memcmp(frame.data(), before.data(), bytes) != 0)) std::abort();
    if (r != 0 && (format.processorClass == 1 || format.processorClass == 2)) std::abort();
  }
  const TuningStatus t = rig->plugin.TuningSnapshot().status;
  if (t.verdict.proposed >= 0 && (t.verdict.proposed < t.verdict.walk || t.verdict.proposed > t.verdict.quiet)) std::abort();
  for (int32_t c : t.spoilers)
    if (c < 0 || c >= rig->plugin.Mask().cellCount()) std::abort();
  return 0;
}
