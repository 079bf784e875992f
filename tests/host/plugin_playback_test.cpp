// The real DLL played through the stand-in host's player: frames on the frame
// thread, commands delivered to the host window and obeyed by the recorder.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame_source.h"
#include "host_session.h"
#include "player.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"
#include "recorder.h"

namespace {

constexpr int32_t kWidth = 96, kHeight = 72;  // 24 x 18 cells of 4 x 4 pixels

// A dark still picture with a bright 16 x 16 box at `x`, YUY2.
void DrawScene(int32_t x, std::vector<uint8_t>* frame) {
  frame->assign(static_cast<size_t>(kWidth) * kHeight * 2, 0);
  for (int32_t row = 0; row < kHeight; ++row)
    for (int32_t col = 0; col < kWidth; col += 2) {
      uint8_t* p = frame->data() + (static_cast<size_t>(row) * kWidth + col) * 2;
      const bool box = row >= 28 && row < 44 && col >= x && col < x + 16;
      p[0] = p[2] = box ? 220 : 60;
      p[1] = p[3] = 128;
    }
}

using hosttest::PluginsFolder;

// Removes the settings and mask files the test wrote, whatever way it ends.
struct SettingsCleanup {
  ~SettingsCleanup() {
    DeleteFileA((PluginsFolder() + "QPM_QLVGuard.ini").c_str());
    DeleteFileA((PluginsFolder() + "playback_all_cells.msk").c_str());
  }
};

// Writes the plug-in's settings file beside the DLL, with a mask that watches every cell.
void WriteSettings(const std::string& body) {
  const std::string plugins = PluginsFolder();
  const std::string mask = plugins + "playback_all_cells.msk";
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(mask));
  std::FILE* f = std::fopen((plugins + "QPM_QLVGuard.ini").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "[PluginSettings]\r\nMaskFileName=%s\r\n%s", mask.c_str(), body.c_str());
  std::fclose(f);
}

// Duration 1 s with RecordPause: the box's first run starts the recording, standing
// still pauses it, moving again resumes it, and another channel stops it at once.
TEST(PluginPlayback, RecordingPausesResumesAndStopsOnAChannelChange) {
  SettingsCleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(WriteSettings("ChannelIdx=101\r\nDuration=1\r\nRecordEnable=1\r\nRecordType=2\r\nRecordPause=1\r\n"));
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  session.channels().SetChannels({{101, 0, "Camera"}, {102, 0, "Other"}});
  qlv::PluginRecord* record = session.Record();
  ASSERT_NE(record, nullptr);
  session.Init();

  // 0-39 still, 40-59 the box moves right, 60-109 still, 110-119 it moves back,
  // 120-129 still, 130-139 another channel.
  std::FILE* input = std::tmpfile();
  std::vector<uint8_t> frame;
  for (int i = 0; i < 140; ++i) {
    int32_t x = 0;
    if (i >= 40 && i < 60) x = 4 * (i - 40);
    if (i >= 60 && i < 110) x = 76;
    if (i >= 110 && i < 120) x = 76 - 6 * (i - 109);
    if (i >= 120) x = 16;
    DrawScene(x, &frame);
    std::fwrite(frame.data(), 1, frame.size(), input);
  }
  std::rewind(input);
  hostsim::FrameLayout layout;
  layout.width = kWidth;
  layout.height = kHeight;
  layout.format = 0;
  hostsim::FrameSource source(input, layout);
  CreateDirectoryA("playback_test_out", nullptr);
  hostsim::RecorderConfig rc;
  rc.outDir = "playback_test_out\\";
  rc.layout = layout;
  hostsim::Recorder recorder(rc);
  hostsim::PlayerOutputs out;
  out.recorder = &recorder;
  out.framesCsv = std::tmpfile();
  hostsim::Player player(*record, session.windows(),
                         [&](int64_t i) { return session.channels().Get(i < 130 ? 0 : 1); });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.fps = 25;  // Duration counts real milliseconds
  hostsim::PlayerResult result = player.Play(source, pc, out);
  session.Close();
  hostsim::HostWindows::PumpMessages();
  player.DispatchCommands(out);
  recorder.Finish();

  EXPECT_EQ(result.frames, 140);
  std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  std::vector<uint32_t> codes;
  for (const hostsim::LoggedCommand& c : log) codes.push_back(c.code);
  ASSERT_EQ(codes, (std::vector<uint32_t>{qlv::kCmdRecordStart, qlv::kCmdPause, qlv::kCmdResume, qlv::kCmdRecordStop}));
  EXPECT_GE(log[0].frameIndex, 40);
  EXPECT_LT(log[0].frameIndex, 60);
  EXPECT_GT(log[1].frameIndex, 60);
  EXPECT_LT(log[1].frameIndex, 110);
  EXPECT_GE(log[2].frameIndex, 110);
  EXPECT_LT(log[2].frameIndex, 120);
  EXPECT_EQ(log[3].frameIndex, 130);  // leaving the controlled channel stops at once
  std::vector<hostsim::RecordedFile> files = recorder.files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].firstFrame, log[0].frameIndex);
  EXPECT_EQ(files[0].lastFrame, log[1].frameIndex - 1);
  EXPECT_EQ(files[1].firstFrame, log[2].frameIndex);
  EXPECT_EQ(files[1].lastFrame, 129);
  std::fclose(out.framesCsv);
  std::fclose(input);
  session.Shutdown();
}

}  // namespace
