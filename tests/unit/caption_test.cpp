#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fake_text_rasterizer.h"
#include "heap_layer_allocator.h"
#include "overlay/caption.h"
#include "pixel/mul_div.h"
#include "plugin/caption_plugin_hook.h"

namespace qlv {
namespace {

std::tm NewYearMorning() {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 1;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_wday = 1;
  t.tm_yday = 0;
  t.tm_isdst = 0;
  return t;
}

std::string Strftime(const char* format, const std::tm& t) {
  char buffer[512];
  size_t n = std::strftime(buffer, sizeof buffer, format, &t);
  return std::string(buffer, n);
}

TEST(SanitizeTimeFormat, StrayPercentSigns) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"%H:%M%", "%H:%M"},          // trailing lone percent dropped
      {"%H % %M", "%H  %M"},        // percent before a blank dropped, both blanks stay
      {"100%%", "100%%"},           // "%%" kept whole
      {"%%%", "%%"},                // the second % of "%%" never starts a conversion
      {"%% %", "%% "},
      {"% % %", "  "},
      {"%", ""},
      {"", ""},
      {"%x %H:%M:%S", "%x %H:%M:%S"},
  };
  for (const Case& c : cases) EXPECT_EQ(SanitizeTimeFormat(c.in), c.out) << c.in;
}

TEST(FormatCaptionText, TheDefaultFormat) {
  const std::tm t = NewYearMorning();
  EXPECT_EQ(FormatCaptionText("%H:%M:%S", t), "09:05:07");
  EXPECT_EQ(FormatCaptionText("%x %H:%M:%S", t), Strftime("%x", t) + " 09:05:07");
  EXPECT_EQ(FormatCaptionText("%H:%M%", t), "09:05");
  EXPECT_EQ(FormatCaptionText("a % b", t), "a  b");
  EXPECT_EQ(FormatCaptionText("100%%", t), "100%");
  EXPECT_EQ(FormatCaptionText("", t), "");
}

// Every byte after a "%": documented conversions go through the runtime's
// strftime (the 32-bit build runs this with the platform runtime, which ends
// the process on conversions it does not know); all others appear as text.
TEST(FormatCaptionText, EveryByteAfterAPercentSign) {
  const std::tm t = NewYearMorning();
  for (int c = 1; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const std::string format = std::string("<%") + ch + ">";
    std::string expected = format;
    if (ch == ' ') {
      expected = "< >";
    } else if (ch == '%') {
      expected = "<%>";
    } else if (IsDocumentedConversion(ch)) {
      expected = "<" + Strftime((std::string("%") + ch).c_str(), t) + ">";
    }
    EXPECT_EQ(FormatCaptionText(format, t), expected) << "byte " << c;

    const std::string flagged = std::string("[%#") + ch + "]";
    if (IsDocumentedConversion(ch)) {
      EXPECT_EQ(FormatCaptionText(flagged, t), "[" + Strftime((std::string("%#") + ch).c_str(), t) + "]") << c;
    } else if (ch != '%') {
      EXPECT_EQ(FormatCaptionText(flagged, t), flagged) << "byte " << c;
    }
  }
  EXPECT_EQ(FormatCaptionText("%#", t), "%#");
  EXPECT_EQ(FormatCaptionText("%E%O%Q%5", t), "%E%O%Q%5");
}

TEST(FormatCaptionText, LongTextIsCutAt255Bytes) {
  const std::tm t = NewYearMorning();
  std::string format, full;
  for (int i = 0; i < 100; ++i) {
    format += "%A-";
    full += Strftime("%A", t) + "-";
  }
  const std::string text = FormatCaptionText(format, t);
  ASSERT_EQ(text.size(), kMaxCaptionText);
  EXPECT_EQ(text, full.substr(0, kMaxCaptionText));
  EXPECT_EQ(FormatCaptionText(std::string(1000, 'x'), t), std::string(255, 'x'));
}

TEST(CaptionFont, TheSevenFontSettingsAndBack) {
  SettingsRecord s;
  s.FontQuality = 0;
  s.FontName = std::string(40, 'N');
  s.FontSize = -34;
  s.FontWeight = 700;
  s.FontItalic = 1;
  s.FontUnderline = 0;
  s.FontStrikeOut = 1;
  s.FontCharSet = 204;
  const CaptionFont f = CaptionFontOf(s);
  EXPECT_EQ(f.faceName, std::string(40, 'N'));  // cut only where it meets the platform's font
  EXPECT_EQ(f.height, -34);
  EXPECT_EQ(f.weight, 700);
  EXPECT_EQ(f.italic, 1);
  EXPECT_EQ(f.underline, 0);
  EXPECT_EQ(f.strikeOut, 1);
  EXPECT_EQ(f.charSet, 204);
  SettingsRecord back;
  back.FontQuality = 3;
  StoreCaptionFont(f, &back);
  EXPECT_EQ(CaptionFontOf(back), f);
  EXPECT_EQ(back.FontQuality, 3);  // not one of the seven
}

TEST(PlaceCaption, SixPositionsAndTheFallback) {
  const OverlayGeometry g{720, 576, OverlayGeometry::kYuv422};
  const OverlayRect r{0, 0, 229, 40};  // w 318, h 69
  struct Case { int32_t pos, px, py; };
  const Case cases[] = {{0, 10, 10},   {1, 341, 10},   {2, 672, 10},  {3, 10, 921}, {4, 341, 921},
                        {5, 672, 921}, {6, 10, 10},    {-1, 10, 10},  {1000, 10, 10}};
  for (const Case& c : cases) {
    const CaptionPlacement p = PlaceCaption(c.pos, r, g);
    EXPECT_EQ(p.px, c.px) << c.pos;
    EXPECT_EQ(p.py, c.py) << c.pos;
  }
  // Wider than the frame: centred means a negative px.
  EXPECT_EQ(PlaceCaption(1, OverlayRect{0, 0, 1440, 40}, g).px, 500 - 1000);
}

struct CaptionRig {
  HeapLayerAllocator heap;
  FakeTextRasterizer text;
  Caption caption{heap, text};
  SettingsRecord s;
  OverlayGeometry g{720, 576, OverlayGeometry::kYuv422};
  std::vector<uint8_t> frame;
  CaptionRig() : frame(720 * 576 * 2) {
    caption.InitLayers();
    caption.CreateCaptionFont(s);
    Reset();
  }
  void Reset() {
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = (i & 1) ? 128 : 16;  // dark grey
  }
};

TEST(Caption, WorkedExampleAt720By576) {
  CaptionRig rig;
  rig.s.TextPos = 3;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 1000);
  OverlaySurface& surface = rig.caption.surface();
  for (int32_t i : {0, 1}) {
    const OverlayLayer* l = surface.layer(i);
    EXPECT_EQ(l->used, (OverlayRect{0, 0, 244, 40}));
    EXPECT_EQ(l->capacityWidth, 305);
    EXPECT_EQ(l->capacityHeight, 50);
  }
  EXPECT_EQ(MulDiv(244, 1000, 768), 318);
  EXPECT_EQ(MulDiv(40, 1000, 576), 69);
  EXPECT_EQ(rig.caption.composer().prepared(), (OverlayRect{0, 0, 229, 40}));
  const CaptionPlacement at = PlaceCaption(3, rig.caption.composer().prepared(), rig.g);
  EXPECT_EQ(at.px, 10);
  EXPECT_EQ(at.py, 921);
  // The changed bytes start at frame pixel (7, 530) and stay inside 229 x 40.
  int32_t minX = 720, minY = 576, maxX = -1, maxY = -1;
  for (int32_t y = 0; y < 576; ++y)
    for (int32_t x = 0; x < 720; ++x) {
      const uint8_t* group = rig.frame.data() + (y * 720 + (x & ~1)) * 2;
      const uint8_t luma = group[(x & 1) ? 2 : 0];
      if (luma == 16) continue;
      minX = std::min(minX, x), maxX = std::max(maxX, x);
      minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
  EXPECT_EQ(minX, 7);
  EXPECT_EQ(minY, 530);
  EXPECT_LT(maxX, 7 + 229);
  EXPECT_LT(maxY, 530 + 40);
  EXPECT_GT(maxX, 7 + 200);
  // Pixel 6 shares its group with pixel 7: its Y0 and the chroma stay.
  const uint8_t* group6 = rig.frame.data() + (540 * 720 + 6) * 2;
  EXPECT_EQ(group6[0], 16);
  EXPECT_EQ(group6[1], 128);
  EXPECT_EQ(group6[3], 128);
  EXPECT_NE(group6[2], 16);
}

TEST(Caption, OutlineAndColourLayers) {
  CaptionRig rig;
  rig.text.extent = TextExtent{10, 6};
  rig.s.TextColor = 0x00332211;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 5);
  const OverlayLayer* colour = rig.caption.surface().layer(0);
  auto at = [&](int32_t x, int32_t y) {
    return colour->pixels + ((colour->capacityHeight - 1 - y) * colour->capacityWidth + x) * 4;
  };
  // Text at (1, 1) in the colour; coverage from the four neighbours.
  EXPECT_EQ(at(1, 1)[0], 0x33);  // B, G, R bytes of 0x00BBGGRR
  EXPECT_EQ(at(1, 1)[2], 0x11);
  EXPECT_EQ(at(1, 1)[3], 255);
  EXPECT_EQ(at(0, 3)[0], 0);    // left outline: black with coverage
  EXPECT_EQ(at(0, 3)[3], 255);
  EXPECT_EQ(at(0, 0)[3], 0);    // corners are not reached by the shifted copies
  EXPECT_EQ(at(13, 0)[3], 0);
  EXPECT_EQ(at(11, 3)[3], 255); // the (2, 1) and (1, 2) copies reach the far edges
  EXPECT_EQ(at(10, 7)[3], 255);
  EXPECT_EQ(at(12, 3)[3], 0);
  EXPECT_EQ(rig.text.draws, 2);
  EXPECT_EQ(rig.text.begins, rig.text.ends);
}

TEST(Caption, RendersOnlyWhenTheSecondChanges) {
  CaptionRig rig;
  rig.s.TextOpacity = 100;
  std::vector<uint8_t> previous;
  int64_t previousSecond = -1;
  const int64_t start = 1700000000;
  for (int frame = 0; frame < 100; ++frame) {
    const int64_t now = start + frame / 25;  // 25 frames a second
    rig.Reset();
    rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, now);
    if (now == previousSecond) {
      EXPECT_EQ(rig.frame, previous) << frame;  // an identical blend
    }
    previous = rig.frame;
    previousSecond = now;
  }
  EXPECT_EQ(rig.caption.renderCount(), 4);
  EXPECT_EQ(rig.text.measures, 4);
  EXPECT_EQ(rig.caption.lastRenderedTime(), start + 3);
  EXPECT_EQ(rig.text.measured.back(), FormatCaptionTime(rig.s.TimeFormat, start + 3));
  // A new stream geometry within the same second is rendered for that geometry.
  std::vector<uint8_t> rgb(352 * 288 * 3, 0);
  rig.caption.DrawCaption(rgb.data(), OverlayGeometry{352, 288, OverlayGeometry::kRgb24}, rig.s, start + 3);
  EXPECT_EQ(rig.caption.renderCount(), 5);
  EXPECT_NE(rgb, std::vector<uint8_t>(rgb.size(), 0));
}

TEST(Caption, OpacityZeroAndEmptyTextLeaveTheFrame) {
  CaptionRig rig;
  const std::vector<uint8_t> before = rig.frame;
  rig.s.TextOpacity = 0;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 10);
  EXPECT_EQ(rig.frame, before);
  rig.s.TextOpacity = 100;
  rig.s.TimeFormat = "%";  // nothing left to show
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 11);
  EXPECT_EQ(rig.text.measured.back(), "");
  EXPECT_EQ(rig.frame, before);
}

TEST(Caption, WiderThanTheFrameIsCutOnBothSides) {
  CaptionRig rig;
  rig.text.extent = TextExtent{1500, 30};
  rig.s.TextPos = 1;
  rig.s.TextOpacity = 100;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 20);
  const CaptionPlacement at = PlaceCaption(1, rig.caption.composer().prepared(), rig.g);
  EXPECT_LT(at.px, 0);
  // Interior of the text box covers both frame edges on a middle row.
  const uint8_t* row = rig.frame.data() + 15 * 720 * 2;
  EXPECT_NE(row[0], 16);
  EXPECT_NE(row[719 * 2 - 2 + 2], 16);
}

TEST(Caption, FailuresDrawNothing) {
  CaptionRig rig;
  const std::vector<uint8_t> before = rig.frame;
  rig.text.beginFails = true;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 30);
  EXPECT_EQ(rig.frame, before);
  rig.text.beginFails = false;
  rig.heap.FailNext(true);  // the colour layer's bitmap cannot be made
  rig.text.extent = TextExtent{400, 60};
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 31);
  EXPECT_EQ(rig.frame, before);
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 32);  // the next render tries again
  EXPECT_NE(rig.frame, before);
  rig.caption.DrawCaption(rig.frame.data(), OverlayGeometry{720, 576, 5}, rig.s, 33);  // unknown format
  EXPECT_EQ(rig.caption.lastRenderedTime(), 32);
}

TEST(Caption, TakesItsGeometryFromTheCanvas) {
  CaptionRig rig;
  FrameCanvas canvas;
  canvas.SetGeometry(720, 576, 0);
  EXPECT_EQ(GeometryOf(canvas), rig.g);
  std::vector<uint8_t> viaCanvas = rig.frame;
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 50);
  rig.caption.DrawCaption(viaCanvas.data(), canvas, rig.s, 50);
  EXPECT_EQ(viaCanvas, rig.frame);
  canvas.SetGeometry(720, 576, 7);
  EXPECT_FALSE(GeometryOf(canvas).known());
}

TEST(Caption, PluginHookAddsLayersOnceMakesTheFontDrawsAndFreesAtClose) {
  HeapLayerAllocator heap;
  FakeTextRasterizer text;
  Caption caption(heap, text);
  testing_support::FakePlatform platform;
  platform.now = 1700000123;
  CaptionPluginHook hook(caption, platform);
  SettingsRecord s;
  FrameCanvas canvas;
  canvas.SetGeometry(720, 576, 1);
  hook.OnInit(s);
  hook.OnInit(s);
  EXPECT_EQ(caption.surface().layerCount(), 2);
  hook.OnStart();
  EXPECT_EQ(text.fontsSet, 1);
  std::vector<uint8_t> frame(720 * 576 * 3, 0);
  hook.Draw(frame.data(), GeometryOf(canvas));
  EXPECT_EQ(caption.lastRenderedTime(), 1700000123);
  EXPECT_NE(frame, std::vector<uint8_t>(frame.size(), 0));
  EXPECT_GT(heap.created(), 0);
  hook.OnClose();
  EXPECT_EQ(caption.surface().layerCount(), 0);
  EXPECT_EQ(heap.created(), heap.deleted());
  ASSERT_TRUE(caption.lock().TryLock());
  caption.lock().Unlock();
}

TEST(Caption, FontRenderAndBlendRunUnderCaptionLock) {
  CaptionRig rig;
  rig.text.watchedLock = &rig.caption.lock();
  rig.caption.CreateCaptionFont(rig.s);
  rig.caption.Refresh(rig.s, rig.g, true);
  rig.caption.DrawCaption(rig.frame.data(), rig.g, rig.s, 40);
  rig.caption.RenderCaption(rig.s, rig.g);
  EXPECT_FALSE(rig.text.calledWithoutLock);
  EXPECT_GE(rig.text.fontsSet, 3);
  EXPECT_EQ(rig.text.lastFont, CaptionFontOf(rig.s));
  // And the lock is free again afterwards.
  ASSERT_TRUE(rig.caption.lock().TryLock());
  rig.caption.lock().Unlock();
}

}  // namespace
}  // namespace qlv
