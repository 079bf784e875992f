// The plug-in between the host's two threads: frames on one, everything the
// settings dialog and the host's interface thread do on the other. Meant for the
// thread sanitizer (native-tsan); in the other builds it still checks that the
// two threads finish and leave a consistent plug-in.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "fake_text_rasterizer.h"
#include "heap_layer_allocator.h"
#include "overlay/caption.h"
#include "plugin/caption_plugin_hook.h"
#include "plugin/plugin.h"
#include "test_thread.h"
#include "ui/settings_access.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;

struct CellAt {
  int32_t column, row;
};

// The recording fake, safe to call from both threads.
class SharedPlatform : public Platform {
 public:
  uint32_t TickCount() override { return tick.fetch_add(7); }
  int64_t Now() override { return static_cast<int64_t>(tick.load() / 1000); }
  WindowHandle FindTopWindow(const char* c, const char* t) override { return Locked([&] { return f_.FindTopWindow(c, t); }); }
  WindowHandle FindChildWindow(WindowHandle p, const char* t) override {
    return Locked([&] { return f_.FindChildWindow(p, t); });
  }
  void PostMessageTo(WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) override {
    Locked([&] { f_.PostMessageTo(w, m, wp, lp); return 0; });
  }
  intptr_t SendMessageTo(WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) override {
    return Locked([&] { return f_.SendMessageTo(w, m, wp, lp); });
  }
  void PlaySoundFile(const char* file, uint32_t flags) override {
    Locked([&] { f_.PlaySoundFile(file, flags); return 0; });
  }
  bool StartProcess(const std::string& line, ProcessInfo* pi) override {
    return Locked([&] { return f_.StartProcess(line, pi); });
  }
  bool ProcessExitCode(uint32_t h, uint32_t* code) override { return Locked([&] { return f_.ProcessExitCode(h, code); }); }
  void CloseHandleValue(uint32_t h) override { Locked([&] { f_.CloseHandleValue(h); return 0; }); }
  bool FileExists(const std::string& path) override { return Locked([&] { return f_.FileExists(path); }); }

  void AddTopWindow(const char* c, const char* t, WindowHandle w) {
    Locked([&] { f_.topWindows[{c, t}] = w; return 0; });
  }
  size_t CommandCount() { return Locked([&] { return f_.Commands().size(); }); }

  std::atomic<uint32_t> tick{1000};

 private:
  template <typename F>
  auto Locked(F&& f) -> decltype(f()) {
    MutexLock hold(m_);
    return f();
  }
  Mutex m_;
  testing_support::FakePlatform f_;
};

class SharedDialog : public DialogLink {
 public:
  std::atomic<bool> open{false};
  std::atomic<int> refreshes{0};
  bool IsDialogOpen() override { return open; }
  void PostRefreshControls(uint32_t) override { ++refreshes; }
  void DestroyDialog() override { open = false; }
};

constexpr ChannelPair kChannelA{5, 1};
constexpr ChannelPair kChannelB{9, 0};

struct Format {
  int32_t width, height, pixelFormat, recording;
};
const Format kFormats[] = {{64, 48, 0, 0}, {33, 17, 1, 1}, {96, 72, 1, 0}, {40, 30, 0, 1}};
constexpr size_t kLargestFrame = 96 * 72 * 3;

class PluginThreadsTest : public ::testing::Test {
 protected:
  PluginThreadsTest() : caption_(allocator_, rasterizer_), hook_(caption_, platform_), plugin_(platform_) {}

  void SetUp() override {
    loc_ = testing_support::FreshSettingsFolder("qlv_plugin_threads_", &dir_);
    platform_.AddTopWindow("TMain", "Quelvar", 42);
    plugin_.SetDialogLink(&dialog_);
    plugin_.SetCaptionHook(&hook_);

    MaskGrid g;
    g.Resize(4, 3);
    g.WatchAll();
    g.SaveMaskFile(smallMask());
    g.Resize(40, 30);
    g.InvertMask();
    g.SaveMaskFile(largeMask());
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string smallMask() const { return (dir_ / "small.msk").string(); }
  std::string largeMask() const { return (dir_ / "large.msk").string(); }

  static StreamFormat StreamOf(const Format& f) { return StreamFormat{f.width, f.height, 0, f.pixelFormat, 0, f.recording}; }

  // What the settings dialog and its pages do, one round of every kind.
  void DialogRound(SettingsAccess& access, int i) {
    const int32_t v = i % 17;
    access.Set(&SettingsRecord::Sensitive, v);
    access.Set(&SettingsRecord::FrameCounter, 1 + i % 3);
    access.Set(&SettingsRecord::Duration, 5 + i % 50);
    access.Set(&SettingsRecord::ControlR, static_cast<uint32_t>(i & 1));
    access.Set(&SettingsRecord::ControlY, 1u);
    access.Set(&SettingsRecord::RecordEnable, 1u);
    access.Set(&SettingsRecord::RecordType, static_cast<int32_t>(i % 4));
    access.Set(&SettingsRecord::RecordPause, static_cast<int32_t>(i & 2));
    access.Set(&SettingsRecord::SoundEnable, static_cast<uint32_t>((i >> 1) & 1));
    access.Set(&SettingsRecord::SoundFileName, std::string(i % 2 ? "alarm.wav" : "a much longer name of a sound file.wav"));
    access.Set(&SettingsRecord::ProcessFileName, std::string("task.exe /n ") + std::to_string(i));
    access.Set(&SettingsRecord::ShowGrid, 1u);
    access.Set(&SettingsRecord::ShowMask, 1u);
    access.Set(&SettingsRecord::ShowTime, 1u);
    access.Set(&SettingsRecord::RecShowGrid, static_cast<uint32_t>(i & 1));
    access.Set(&SettingsRecord::RecShowMask, 1u);
    access.Set(&SettingsRecord::RecShowTime, 1u);
    access.Set(&SettingsRecord::GridColor, static_cast<uint32_t>(0x102030 * i));
    access.Set(&SettingsRecord::AlarmOpacity, v * 6);
    access.Set(&SettingsRecord::VisualTab, v % 5);
    access.SetWatched(i % 3 ? kChannelA : kChannelB);
    (void)access.Current();
    (void)access.CurrentName();

    // The caption page: caption settings change in the working record, then the
    // caption takes them as its style and renders again for the stream's geometry.
    const SettingsRecord changed = plugin_.EditSettings([&](SettingsRecord& w) {
      w.TimeFormat = i % 2 ? "%H:%M:%S" : "%x %X and a tail long enough to leave the small buffer";
      w.TextColor = 0x00FFFF00u ^ static_cast<uint32_t>(i);
      w.TextPos = i % 6;
      w.TextOpacity = (i * 7) % 101;
      w.FontName = i % 2 ? "Arial" : "Times New Roman";
      w.FontSize = -10 - i % 20;
    });
    caption_.Refresh(CaptionStyle(changed), plugin_.StreamGeometry(), i % 2 == 0);

    // The mask editor and the mask buttons.
    plugin_.ToggleCell([&](int32_t columns, int32_t rows) {
      return columns > 0 && rows > 0 ? std::optional<CellAt>(CellAt{i % columns, i % rows}) : std::nullopt;
    });
    if (i % 5 == 0) plugin_.InvertMask();
    if (i % 4 == 0) plugin_.LoadMask(i % 8 ? smallMask() : largeMask());

    // Opening and closing the dialog; the host's interface thread asks for the
    // processor class before it opens it.
    if (i % 6 == 0) {
      if (plugin_.format().processorClass == 0) {
        dialog_.open = true;
        plugin_.StopAllActions();
      }
    } else if (i % 6 == 3) {
      dialog_.open = false;
    }
    if (i % 9 == 0) plugin_.Start(StreamOf(kFormats[i % 4]));
  }

  SharedPlatform platform_;
  SharedDialog dialog_;
  HeapLayerAllocator allocator_;
  FakeTextRasterizer rasterizer_;
  Caption caption_;
  CaptionPluginHook hook_;
  Plugin plugin_;
  fs::path dir_;
  SettingsLocation loc_;
};

TEST_F(PluginThreadsTest, FramesAndDialogWritesShareThePluginSafely) {
  plugin_.Init(nullptr, 0, loc_);
  ASSERT_EQ(plugin_.Start(StreamOf(kFormats[0])), 1);

  std::atomic<bool> framesDone{false};
  std::atomic<int> dialogRounds{0};
  TestThread ui([&] {
    SettingsAccess access(plugin_);
    for (int i = 0; !framesDone || i < 40; ++i) {
      DialogRound(access, i);
      ++dialogRounds;
    }
  });

  // Frames of the largest size: a concurrent Start may make any format current.
  std::vector<uint8_t> frame(kLargestFrame);
  int processed = 0;
  constexpr int kFrames = 1500;
  for (int i = 0; i < kFrames; ++i) {
    for (size_t k = 0; k < frame.size(); ++k) frame[k] = static_cast<uint8_t>((i / 3) % 2 ? 0x10 + k % 7 : 0xE0);
    const ChannelPair shown = (i / 100) % 4 == 3 ? kChannelB : kChannelA;
    const ChannelRef ref{shown.id0, shown.id1, shown == kChannelA ? "Channel A" : "Channel B"};
    processed += plugin_.ProcessFrame(frame.data(), &ref);
    if (i % 97 == 0) plugin_.Start(StreamOf(kFormats[(i / 97) % 4]));
    // The host ends and begins the plug-in again while the dialog still writes.
    if (i == kFrames / 2) {
      plugin_.Close();
      plugin_.Init(nullptr, 0, loc_);
      plugin_.Start(StreamOf(kFormats[1]));
    }
  }
  framesDone = true;
  ui.join();
  plugin_.Close();

  EXPECT_GT(processed, 0);
  EXPECT_GE(dialogRounds.load(), 40);
  EXPECT_GT(dialog_.refreshes.load(), 0);  // channel changes were seen with the dialog open
  // Both closes saved a whole settings section.
  EXPECT_TRUE(fs::exists(loc_.fullPath));
  EXPECT_EQ(plugin_.stored().ShowTime, 1u);
  EXPECT_EQ(caption_.surface().layerCount(), 0);  // freed at close
}

// A host that inits and closes the plug-in again and again: the caption has its
// two layers after every init, and every close frees them, the prepared
// overlay and the font.
TEST_F(PluginThreadsTest, InitCloseCyclesKeepTwoLayersAndFreeTheCaption) {
  std::vector<uint8_t> frame(kLargestFrame, 0x80);
  const ChannelRef ref{0, 0, "Camera"};
  for (int i = 0; i < 20; ++i) {
    plugin_.Init(nullptr, 0, loc_);
    plugin_.SetSetting(&SettingsRecord::ShowTime, 1u);
    EXPECT_EQ(caption_.surface().layerCount(), 2) << "cycle " << i;
    ASSERT_EQ(plugin_.Start(StreamOf(kFormats[i % 4])), 1);
    EXPECT_EQ(plugin_.ProcessFrame(frame.data(), &ref), 1);
    EXPECT_TRUE(rasterizer_.hasFont);
    EXPECT_GT(allocator_.created(), allocator_.deleted());
    plugin_.Close();
    EXPECT_EQ(caption_.surface().layerCount(), 0) << "cycle " << i;
    EXPECT_EQ(allocator_.created(), allocator_.deleted()) << "cycle " << i;
    EXPECT_FALSE(rasterizer_.hasFont);
    EXPECT_EQ(caption_.composer().preparedPixels(), nullptr);
  }
  EXPECT_EQ(rasterizer_.fontsReleased, 20);
}

}  // namespace
}  // namespace qlv
