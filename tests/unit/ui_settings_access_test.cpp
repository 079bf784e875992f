// The dialog writes working settings on the interface thread while frames are
// processed on another; run under the thread sanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "fake_platform.h"
#include "test_thread.h"
#include "ui/settings_access.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;

TEST(SettingsAccess, DialogWritesWhileFramesRunReachTheDriverWithoutARace) {
  const fs::path dir = fs::temp_directory_path() / "qlv_ui_settings_access";
  fs::remove_all(dir);
  fs::create_directories(dir);
  SettingsLocation loc;
  loc.folder = dir.string() + "/";
  loc.baseName = "QPM_QLVGuard";
  loc.fileName = "QPM_QLVGuard.ini";
  loc.fullPath = (dir / loc.fileName).string();

  testing_support::FakePlatform platform;
  Plugin plugin(platform);
  plugin.Init(nullptr, 0, loc);
  StreamFormat format{32, 24, 0, PixelFormatRGB24, 0, 0};
  ASSERT_EQ(plugin.Start(format), 1);
  SettingsAccess access(plugin);
  access.SetWatched(ChannelPair{5, 0});

  std::atomic<bool> stop{false};
  std::atomic<int> processed{0};
  TestThread frames([&] {
    std::vector<uint8_t> frame(32 * 24 * 3, 0x40);
    const ChannelRef channel{5, 0, "Five"};
    while (!stop.load()) {
      frame[0] ^= 0xFF;
      processed += plugin.ProcessFrame(frame.data(), &channel);
    }
  });

  // The interface thread's writes, as the dialog makes them.
  for (int i = 0; i < 2000; ++i) {
    access.Set(&SettingsRecord::Sensitive, i % 17);
    access.Set(&SettingsRecord::FrameCounter, 1 + i % 25);
    access.Set(&SettingsRecord::ControlR, static_cast<uint32_t>(i & 1));
    access.SetWatched((i % 100 == 99) ? ChannelPair{6, 0} : ChannelPair{5, 0});
    EXPECT_NE(access.Current(), (ChannelPair{7, 7}));
    if (processed.load() > 200 && i > 500) break;
  }
  access.SetWatched(ChannelPair{5, 0});
  access.Set(&SettingsRecord::Sensitive, 3);
  while (processed.load() < 50) YieldThread();
  stop = true;
  frames.join();

  EXPECT_EQ(access.Current(), (ChannelPair{5, 0}));
  EXPECT_EQ(access.CurrentName(), "Five");
  EXPECT_EQ(plugin.Settings().Sensitive, 3);
  EXPECT_EQ(access.Get(&SettingsRecord::ChannelIdx), 5);
  plugin.Close();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qlv
