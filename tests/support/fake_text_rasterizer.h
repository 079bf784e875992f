// A text rasteriser for native tests: every text is a solid box of a chosen
// size, drawn at each origin like a glyph run, so coverage and outline are known.
#pragma once

#include <string>
#include <vector>

#include "overlay/caption.h"
#include "platform/mutex.h"
#include "test_thread.h"

namespace qlv {

class FakeTextRasterizer : public TextRasterizer {
 public:
  TextExtent extent{240, 38};         // what MeasureText reports
  bool beginFails = false;
  Mutex* watchedLock = nullptr;  // when set, records whether calls run under it
  bool calledWithoutLock = false;
  int fontsSet = 0, fontsReleased = 0, begins = 0, ends = 0, measures = 0, draws = 0;
  bool hasFont = false;
  CaptionFont lastFont;
  std::vector<std::string> measured;

  void SetFont(const CaptionFont& font) override {
    CheckLock();
    ++fontsSet;
    hasFont = true;
    lastFont = font;
  }
  void ReleaseFont() override {
    CheckLock();
    if (hasFont) ++fontsReleased;
    hasFont = false;
  }
  bool BeginText() override {
    CheckLock();
    ++begins;
    return !beginFails;
  }
  TextExtent MeasureText(const std::string& text) override {
    ++measures;
    measured.push_back(text);
    return text.empty() ? TextExtent{0, extent.cy} : extent;
  }
  void DrawLayerText(const OverlaySurface& surface, const std::string& text, uint32_t color,
                     const TextOrigin* origins, int32_t count) override {
    CheckLock();
    ++draws;
    const OverlayRect used = surface.used();
    for (int32_t y = 0; y < used.height(); ++y)
      for (int32_t x = 0; x < used.width(); ++x) Put(surface, x, y, 0);
    if (text.empty()) return;
    for (int32_t i = 0; i < count; ++i)
      for (int32_t y = origins[i].y; y < origins[i].y + extent.cy && y < used.bottom; ++y)
        for (int32_t x = origins[i].x; x < origins[i].x + extent.cx && x < used.right; ++x) Put(surface, x, y, color);
  }
  void EndText() override { ++ends; }

 private:
  static void Put(const OverlaySurface& s, int32_t x, int32_t y, uint32_t color) {
    uint8_t* p = s.pixels() + (static_cast<size_t>(s.capacityHeight() - 1 - y) * s.capacityWidth() + x) * 4;
    p[0] = static_cast<uint8_t>(color >> 16);  // COLORREF 0x00BBGGRR -> B, G, R, 0
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
    p[3] = 0;
  }
  void CheckLock() {
    if (!watchedLock) return;
    bool free = false;
    TestThread probe([&] {
      if (watchedLock->TryLock()) {
        free = true;
        watchedLock->Unlock();
      }
    });
    probe.join();
    if (free) calledWithoutLock = true;
  }
};

}  // namespace qlv
