// A hand over the lens, through the real DLL: with the light-change guard alone nothing
// happens; with ViewLostSeconds the plug-in commands the host as for an alarm once the view
// has been lost for that long, once, and writes the words on the video, recorded frames
// included, until the view comes back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host_session.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"

namespace {

constexpr int32_t kW = 96, kH = 72;  // 24 x 18 cells of 4 x 4 pixels
constexpr int kWarmUp = 30, kCoverAt = kWarmUp + 20, kUncoverAt = kCoverAt + 60, kFrames = kUncoverAt + 40;

std::string MaskPath() { return hosttest::PluginsFolder() + "view_lost.msk"; }

// A textured room in YUY2 with a little noise; covered, a dark and nearly even picture.
std::vector<uint8_t> Frame(int i, uint32_t* seed) {
  std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2, 128);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      *seed = *seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(*seed >> 30);
      const bool covered = i >= kCoverAt && i < kUncoverAt;
      const int luma = covered ? 24 + noise : 50 + ((x / 8 * 37 + y / 6 * 53) % 150) + noise;
      f[static_cast<size_t>(y * kW + x) * 2] = static_cast<uint8_t>(luma);
    }
  return f;
}

struct Played {
  std::vector<int64_t> commandFrames;  // the frame of every command
  int firstDrawn = -1, lastDrawn = -1;  // frames the plug-in changed
};

Played Play(const std::string& keys) {
  Played out;
  hosttest::WriteMask(MaskPath());
  hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                                                "\r\nChannelIdx=101\r\nShowGrid=0\r\nShowMask=0\r\nShowTime=0\r\n"
                                                "RecShowGrid=0\r\nRecShowMask=0\r\nRecShowTime=0\r\nRecordEnable=1\r\n"
                                                "RecordType=0\r\nLightChangePercent=50\r\n" + keys);
  hostsim::HostSession session;
  std::string error;
  EXPECT_TRUE(session.Open(hostsim::HostSessionOptions(), &error)) << error;
  if (!session.loaded()) return out;
  session.channels().SetChannels({{101, 0, "Camera"}});
  session.Record();
  session.Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = kW;
  format.height = kH;
  format.pixelFormat = 0;
  format.recording = 1;  // the words go into recordings too
  EXPECT_EQ(session.Start(format), 1);
  uint32_t seed = 5;
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<uint8_t> input = Frame(i, &seed);
    std::vector<uint8_t> pixels = input;
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session.channels().Get(0);
    session.ProcessFrame(frame);
    hostsim::HostWindows::PumpMessages();
    if (pixels != input) {
      if (out.firstDrawn < 0) out.firstDrawn = i;
      out.lastDrawn = i;
    }
  }
  session.Close();
  hostsim::HostWindows::PumpMessages();
  for (const hostsim::LoggedCommand& c : session.windows().log().Entries())
    if (c.code == qlv::kCmdSnapshot) out.commandFrames.push_back(c.frameIndex);
  session.Shutdown();
  DeleteFileA(hosttest::IniPath().c_str());
  DeleteFileA(MaskPath().c_str());
  return out;
}

TEST(ViewLost, ACoveredLensAlarmsOnceAfterTheSecondsGivenAndIsWrittenOnTheVideoUntilItComesBack) {
  // The guard takes the sudden dark for a change of light: no alarm, nothing drawn.
  const Played guardOnly = Play("");
  EXPECT_TRUE(guardOnly.commandFrames.empty());
  EXPECT_EQ(guardOnly.firstDrawn, -1);

  // One second (25 frames) of an unlike picture loses the view: one snapshot at that frame,
  // none when the hand is taken away; the words from that frame on, gone with the 25th like
  // frame after it.
  const Played watched = Play("ViewLostSeconds=1\r\n");
  ASSERT_EQ(watched.commandFrames.size(), 1u);
  const int lostAt = kCoverAt + 25 - 1;
  EXPECT_EQ(watched.commandFrames[0], lostAt);
  EXPECT_EQ(watched.firstDrawn, lostAt);
  EXPECT_EQ(watched.lastDrawn, kUncoverAt + 25 - 2);
}

}  // namespace
