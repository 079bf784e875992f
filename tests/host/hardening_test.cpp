// The real DLL in a host that misbehaves or lives long: an interface thread that
// stops pumping, many loads and unloads, and what the plug-in leaves in the process.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame_source.h"
#include "host_options.h"
#include "host_session.h"
#include "player.h"
#include "plugin_files.h"

namespace {

using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::WriteBytes;

std::string MaskPath() { return PluginsFolder() + "hardening.msk"; }

struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() {
    DeleteFileA(IniPath().c_str());
    DeleteFileA(MaskPath().c_str());
  }
};

constexpr int32_t kWidth = 96, kHeight = 72;

// Dark grey YUY2 with a bright 16 x 16 box at x.
std::vector<uint8_t> BoxFrame(int32_t x) {
  std::vector<uint8_t> f(kWidth * kHeight * 2);
  for (int32_t row = 0; row < kHeight; ++row)
    for (int32_t col = 0; col < kWidth; ++col) {
      const bool box = row >= 28 && row < 44 && col >= x && col < x + 16;
      f[(row * kWidth + col) * 2] = box ? 220 : 60;
      f[(row * kWidth + col) * 2 + 1] = 128;
    }
  return f;
}

// Every cell watched; an alarm takes one snapshot.
void WriteWatchingSettings() {
  std::string mask("\x03\x02\x18\x00\x00\x00\x12\x00\x00\x00", 10);
  mask.append(432, '\x01');
  ASSERT_NO_FATAL_FAILURE(WriteBytes(MaskPath(), mask));
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                                                    "\r\nRecordEnable=1\r\nRecordType=0\r\nShowTime=1\r\n"));
}

TEST(HostStall, OptionTakesMilliseconds) {
  hostsim::HostOptions o;
  std::string error;
  ASSERT_TRUE(hostsim::ParseHostOptions({"--stall-ui", "6000"}, &o, &error)) << error;
  EXPECT_EQ(o.stallUiMs, 6000u);
  EXPECT_FALSE(hostsim::ParseHostOptions({"--stall-ui", "-1"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--stall-ui", "soon"}, &o, &error));
  EXPECT_NE(hostsim::HostUsage().find("--stall-ui MS"), std::string::npos);
}

// The version query of PluginStart goes to a main window whose thread pumps
// nothing for longer than the plug-in waits: Start gives up on the answer and
// returns before the stall ends, and the stream then works as usual.
TEST(HostStall, StartReturnsWhileTheInterfaceThreadStalls) {
  Cleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(WriteWatchingSettings());
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  session.channels().SetChannels({{0, 0, "Camera"}});
  qlv::PluginRecord* record = session.Record();
  ASSERT_NE(record, nullptr);
  session.Init();

  hostsim::FrameLayout layout;
  layout.width = kWidth;
  layout.height = kHeight;
  layout.format = 0;
  std::FILE* input = std::tmpfile();
  ASSERT_NE(input, nullptr);
  for (int i = 0; i < 12; ++i) {
    const std::vector<uint8_t> f = BoxFrame(i % 2 ? 40 : 0);
    std::fwrite(f.data(), 1, f.size(), input);
  }
  std::rewind(input);
  hostsim::FrameSource source(input, layout);

  hostsim::Player player(*record, session.windows(), [&](int64_t) { return session.channels().Get(0); });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.stallUiMs = 6000;  // twice the plug-in's patience
  const hostsim::PlayerResult result = player.Play(source, pc, hostsim::PlayerOutputs());
  std::fclose(input);
  std::printf("PluginStart took %u ms during a stall of %u ms\n", static_cast<unsigned>(result.startMs),
              static_cast<unsigned>(pc.stallUiMs));

  EXPECT_EQ(result.startResult, 1);
  EXPECT_TRUE(result.startReturnedInStall) << "PluginStart waited for the stalled interface thread";
  EXPECT_EQ(result.frames, 12);
  EXPECT_EQ(result.processed, 12);
  // Without the version the main window was still found: the alarm's snapshot reached it.
  const std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].code, qlv::kCmdSnapshot);
  session.Close();
  session.Shutdown();
}

}  // namespace
