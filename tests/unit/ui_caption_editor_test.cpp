// The caption page's writes without windows: the font chooser's apply and
// cancel, the colour chooser, and changes made while the frame thread draws.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <vector>

#include "fake_common_dialogs.h"
#include "heap_layer_allocator.h"
#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "fake_text_rasterizer.h"
#include "plugin/caption_plugin_hook.h"
#include "plugin/plugin.h"
#include "test_thread.h"
#include "ui/caption_editor.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;
using testing_support::FakeCommonDialogs;
using testing_support::FakePlatform;

constexpr WindowHandle kOwner = 0x5000;

// The plug-in with its caption, on a 720 x 576 stream of channel (0, 0), the
// watched one, so every frame draws the caption.
class CaptionEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const SettingsLocation loc = testing_support::FreshSettingsFolder("qlv_caption_editor_", &dir_);
    platform_.now = 1700000000;
    plugin_.SetCaptionHook(&hook_);
    plugin_.Init(nullptr, 0, loc);
    plugin_.SetSetting(&SettingsRecord::ShowMask, 0u);
    plugin_.SetSetting(&SettingsRecord::ShowGrid, 0u);
    plugin_.SetSetting(&SettingsRecord::ShowTime, 1u);
    ASSERT_EQ(plugin_.Start(StreamFormat{720, 576, 0, PixelFormatYUV422, 0, 0}), 1);
    text_.watchedLock = &caption_.lock();
  }
  void TearDown() override { fs::remove_all(dir_); }

  int Frame() {
    std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
    const ChannelRef channel{0, 0, "Zero"};
    return plugin_.ProcessFrame(frame.data(), &channel);
  }

  fs::path dir_;
  FakePlatform platform_;
  HeapLayerAllocator heap_;
  FakeTextRasterizer text_;
  Caption caption_{heap_, text_};
  CaptionPluginHook hook_{caption_, platform_};
  Plugin plugin_{platform_};
  CaptionEditor editor_{plugin_, caption_};
  FakeCommonDialogs dialogs_;
};

CaptionFont BoldCourier() {
  CaptionFont f;
  f.faceName = "Courier New";
  f.height = -24;
  f.weight = 700;
  f.italic = 1;
  f.underline = 1;
  f.strikeOut = 1;
  f.charSet = 204;
  return f;
}

TEST_F(CaptionEditorTest, FontApplyShowsAtOnceAndCancelPutsBackOnlyTheSevenFontSettings) {
  ASSERT_EQ(Frame(), 1);
  plugin_.SetSetting(&SettingsRecord::FontQuality, uint8_t{3});
  const CaptionFont before = CaptionFontOf(plugin_.Settings());
  ASSERT_NE(before, BoldCourier());

  // While the chooser is up: "Apply" with a bold font, then other settings change.
  int rendersAtApply = 0, fontsAtApply = 0;
  CaptionFont fontAtApply;
  dialogs_.fontApplies = {BoldCourier()};
  dialogs_.whileOpen = [&] {
    rendersAtApply = caption_.renderCount();
    fontsAtApply = text_.fontsSet;
    fontAtApply = text_.lastFont;
    editor_.SetTimeFormat("%H h");
    plugin_.SetSetting(&SettingsRecord::Sensitive, 9);
    EXPECT_EQ(Frame(), 1);
  };
  const int renders = caption_.renderCount();
  const int fonts = text_.fontsSet;
  EXPECT_FALSE(editor_.PickFont(dialogs_, kOwner));  // nothing queued: cancelled

  ASSERT_EQ(dialogs_.fontCalls.size(), 1u);
  EXPECT_EQ(dialogs_.fontCalls[0].owner, kOwner);
  EXPECT_EQ(dialogs_.fontCalls[0].initial, before);
  EXPECT_EQ(dialogs_.fontCalls[0].color, plugin_.Settings().TextColor);
  EXPECT_TRUE(dialogs_.fontCalls[0].hasApply);
  // Apply made the font and rendered with it at once.
  EXPECT_EQ(fontsAtApply, fonts + 1);
  EXPECT_EQ(rendersAtApply, renders + 1);
  EXPECT_EQ(fontAtApply.weight, 700);
  EXPECT_EQ(fontAtApply.faceName, "Courier New");
  // Cancel: the font as before, the format and the sensitivity changed meanwhile kept.
  EXPECT_EQ(CaptionFontOf(plugin_.Settings()), before);
  EXPECT_EQ(text_.lastFont.weight, before.weight);
  EXPECT_EQ(text_.lastFont.faceName, before.faceName);
  EXPECT_EQ(plugin_.Settings().TimeFormat, "%H h");
  EXPECT_EQ(plugin_.Settings().Sensitive, 9);
  EXPECT_EQ(plugin_.Settings().FontQuality, 3);
  EXPECT_FALSE(text_.calledWithoutLock);

  // Confirmed: the chooser's font is kept, FontQuality is not one of the seven.
  dialogs_.whileOpen = nullptr;
  dialogs_.fontApplies.clear();
  dialogs_.fontAnswers.push_back(BoldCourier());
  EXPECT_TRUE(editor_.PickFont(dialogs_, kOwner));
  EXPECT_EQ(CaptionFontOf(plugin_.Settings()), BoldCourier());
  EXPECT_EQ(plugin_.Settings().FontQuality, 3);
  EXPECT_EQ(text_.lastFont.weight, 700);
  EXPECT_EQ(text_.lastFont, BoldCourier());
  EXPECT_FALSE(text_.calledWithoutLock);
}

TEST_F(CaptionEditorTest, EveryCaptionChangeIsRenderedBeforeTheNextFrame) {
  ASSERT_EQ(Frame(), 1);
  const int64_t shown = caption_.lastRenderedTime();
  ASSERT_EQ(shown, 1700000000);
  std::time_t t = static_cast<std::time_t>(shown);
  char hour[8] = {};
  std::strftime(hour, sizeof hour, "%H", std::localtime(&t));

  // Within the same second no frame renders: the editor must.
  int renders = caption_.renderCount();
  editor_.SetTimeFormat("AB %H");
  EXPECT_EQ(caption_.renderCount(), renders + 1);
  EXPECT_EQ(caption_.lastText(), std::string("AB ") + hour);
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(caption_.renderCount(), renders + 1) << "the frame blends what the editor rendered";

  editor_.SetTimeFormat("100%%");
  EXPECT_EQ(caption_.lastText(), "100%");

  // The colour chooser: cancelled keeps the colour, confirmed stores it; both render.
  renders = caption_.renderCount();
  const uint32_t colour = plugin_.Settings().TextColor;
  EXPECT_FALSE(editor_.PickColor(dialogs_, kOwner));
  EXPECT_EQ(plugin_.Settings().TextColor, colour);
  EXPECT_EQ(caption_.renderCount(), renders + 1);
  dialogs_.colorAnswers.push_back(0x00123456u);
  EXPECT_TRUE(editor_.PickColor(dialogs_, kOwner));
  EXPECT_EQ(plugin_.Settings().TextColor, 0x00123456u);
  EXPECT_EQ(caption_.renderCount(), renders + 2);
  ASSERT_EQ(dialogs_.colorCalls.size(), 2u);
  EXPECT_EQ(dialogs_.colorCalls[1].initial, colour);
  EXPECT_EQ(dialogs_.colorCalls[1].owner, kOwner);

  // Position and opacity are read at every blend and need no render.
  renders = caption_.renderCount();
  editor_.SetTextPos(4);
  editor_.SetTextOpacity(0);
  EXPECT_EQ(caption_.renderCount(), renders);
  EXPECT_EQ(plugin_.Settings().TextPos, 4);
  EXPECT_EQ(plugin_.Settings().TextOpacity, 0);
  EXPECT_FALSE(text_.calledWithoutLock);
}

// The dialog's thread writes while the frame thread draws: the sanitizer
// builds check that every shared word is guarded.
TEST_F(CaptionEditorTest, ChangesWhileFramesAreDrawnOnAnotherThread) {
  text_.watchedLock = nullptr;  // its probe thread would slow the race down
  std::atomic<bool> stop{false};
  std::atomic<int> frames{0};
  TestThread frameThread([&] {
    while (!stop.load()) {
      if (Frame() == 1) ++frames;
    }
  });
  CaptionFont bold = BoldCourier();
  for (int i = 0; i < 200; ++i) {
    editor_.SetTimeFormat(i % 2 ? "%H:%M:%S" : "Guard %Y");
    editor_.SetTextPos(i % 6);
    editor_.SetTextOpacity(i % 101);
    editor_.SetTextColor(static_cast<uint32_t>(i) * 0x010203u);
    bold.weight = i % 2 ? 700 : 400;
    editor_.SetFont(bold);
  }
  while (frames.load() < 10) YieldThread();
  stop = true;
  frameThread.join();
  EXPECT_EQ(plugin_.Settings().TimeFormat, "%H:%M:%S");
  EXPECT_EQ(plugin_.Settings().FontWeight, 700);
  EXPECT_EQ(caption_.lastText().empty(), false);
}

}  // namespace
}  // namespace qlv
