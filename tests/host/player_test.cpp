#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "channels.h"
#include "frame_source.h"
#include "host_windows.h"
#include "player.h"
#include "plugin/host_commands.h"
#include "recorder.h"

namespace {

// A plug-in stand-in that notes what the host hands it and posts commands as the
// real one does: from inside PluginProcessFrame, to the host's main window.
struct FakePlugin {
  qlv::StreamFormat format = {};
  DWORD startThread = 0;
  std::vector<DWORD> frameThreads;
  std::vector<std::vector<uint8_t>> pixels;
  std::vector<uint32_t> channels;  // id0, or 0 for a null channel
  HWND host = nullptr;
};
FakePlugin g_fake;

int QLV_CDECL FakeStart(qlv::StreamFormat* f) {
  g_fake.format = *f;
  g_fake.startThread = GetCurrentThreadId();
  return 1;
}

int QLV_CDECL FakeProcessFrame(qlv::HostFrame* f) {
  const size_t index = g_fake.pixels.size();
  const size_t bytes = static_cast<size_t>(g_fake.format.width) * g_fake.format.height * 3;
  g_fake.frameThreads.push_back(GetCurrentThreadId());
  g_fake.pixels.emplace_back(f->pixels, f->pixels + bytes);
  g_fake.channels.push_back(f->channel ? f->channel->id0 : 0);
  auto post = [](uint32_t code) { PostMessageA(g_fake.host, qlv::kHostCommand, code, 0); };
  if (index == 1) post(qlv::kCmdRecordStart);
  if (index == 3) post(qlv::kCmdPause);
  if (index == 4) {
    post(qlv::kCmdResume);
    post(qlv::kCmdSnapshot);
  }
  f->pixels[0] = 0xEE;  // drawn in place: the first byte is the bottom-left pixel
  return static_cast<int>(index % 2);
}

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string s;
  int c;
  while ((c = std::fgetc(f)) != EOF) s += static_cast<char>(c);
  return s;
}

TEST(Player, FramesReachThePluginInHostLayoutOnAFrameThreadAndCommandsAreObeyed) {
  g_fake = FakePlugin();
  hostsim::HostWindows windows;
  hostsim::HostWindowOptions wo;
  ASSERT_TRUE(windows.Create(wo));
  g_fake.host = windows.mainWindow();
  hostsim::ChannelList channels;
  channels.SetChannels({{11, 0, "A"}, {22, 0, "B"}});

  qlv::PluginRecord record = {};
  record.start = FakeStart;
  record.processFrame = FakeProcessFrame;

  // Six 2 x 2 RGB frames, top row first; byte value = 16 * frame + position.
  hostsim::FrameLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.format = 1;
  std::FILE* input = std::tmpfile();
  for (int f = 0; f < 6; ++f)
    for (int b = 0; b < 12; ++b) std::fputc(16 * f + b, input);
  std::rewind(input);
  hostsim::FrameSource source(input, layout);

  CreateDirectoryA("player_test_out", nullptr);
  hostsim::RecorderConfig rc;
  rc.outDir = "player_test_out\\";
  rc.layout = layout;
  hostsim::Recorder recorder(rc);
  hostsim::PlayerOutputs out;
  out.eventsCsv = std::tmpfile();
  out.framesCsv = std::tmpfile();
  out.framesRaw = std::tmpfile();
  out.recorder = &recorder;

  hostsim::Player player(record, windows, [&](int64_t frame) { return channels.Get(frame < 2 ? 0 : (frame < 5 ? 1 : 7)); });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.processorClass = 4;
  pc.recording = 1;
  pc.maxFrames = 100;
  hostsim::PlayerResult result = player.Play(source, pc, out);
  recorder.Finish();

  EXPECT_EQ(result.frames, 6);
  EXPECT_EQ(result.processed, 3);
  EXPECT_EQ(result.startResult, 1);
  EXPECT_FALSE(result.syncTimedOut);
  EXPECT_EQ(g_fake.format.width, 2);
  EXPECT_EQ(g_fake.format.height, 2);
  EXPECT_EQ(g_fake.format.pixelFormat, 1);
  EXPECT_EQ(g_fake.format.processorClass, 4);
  EXPECT_EQ(g_fake.format.recording, 1);

  // PluginStart and every frame on one thread that is not the user-interface thread.
  EXPECT_NE(g_fake.startThread, GetCurrentThreadId());
  ASSERT_EQ(g_fake.frameThreads.size(), 6u);
  for (DWORD t : g_fake.frameThreads) EXPECT_EQ(t, g_fake.startThread);

  // RGB24 arrives bottom row first.
  ASSERT_EQ(g_fake.pixels.size(), 6u);
  EXPECT_EQ(g_fake.pixels[2], (std::vector<uint8_t>{38, 39, 40, 41, 42, 43, 32, 33, 34, 35, 36, 37}));
  EXPECT_EQ(g_fake.channels, (std::vector<uint32_t>{11, 11, 22, 22, 22, 0}));

  // Each command carries the index of the frame whose processing posted it.
  std::vector<hostsim::LoggedCommand> log = windows.log().Entries();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].code, qlv::kCmdRecordStart);
  EXPECT_EQ(log[0].frameIndex, 1);
  EXPECT_EQ(log[1].code, qlv::kCmdPause);
  EXPECT_EQ(log[1].frameIndex, 3);
  EXPECT_EQ(log[2].code, qlv::kCmdResume);
  EXPECT_EQ(log[2].frameIndex, 4);
  EXPECT_EQ(log[3].code, qlv::kCmdSnapshot);
  EXPECT_EQ(log[3].frameIndex, 4);
  const std::string events = ReadAll(out.eventsCsv);
  EXPECT_EQ(events.compare(0, 2, "1,"), 0) << events;
  EXPECT_NE(events.find(",1294,start video recording\n"), std::string::npos) << events;
  EXPECT_NE(events.find(",1302,pause recording\n4,"), std::string::npos) << events;
  EXPECT_NE(events.find("\n4,"), std::string::npos);

  EXPECT_EQ(ReadAll(out.framesCsv), "0,0\n1,1\n2,0\n3,1\n4,0\n5,1\n");
  // Saved frames: after the plug-in, back in the input's row order.
  const std::string raw = ReadAll(out.framesRaw);
  ASSERT_EQ(raw.size(), 72u);
  EXPECT_EQ(static_cast<uint8_t>(raw[12 + 6]), 0xEE);  // frame 1, bottom row, first byte
  EXPECT_EQ(static_cast<uint8_t>(raw[12 + 0]), 16);

  std::vector<hostsim::RecordedFile> files = recorder.files();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].file, "video_001.avi");
  EXPECT_EQ(files[0].firstFrame, 1);
  EXPECT_EQ(files[0].lastFrame, 2);
  EXPECT_EQ(files[1].file, "snapshot_001.bmp");
  EXPECT_EQ(files[1].firstFrame, 4);
  EXPECT_EQ(files[2].file, "video_002.avi");
  EXPECT_EQ(files[2].firstFrame, 4);
  EXPECT_EQ(files[2].lastFrame, 5);

  std::fclose(out.eventsCsv);
  std::fclose(out.framesCsv);
  std::fclose(out.framesRaw);
  std::fclose(input);
}

TEST(Player, AMissingFrameEntryPointIsAnsweredWithZeroes) {
  hostsim::HostWindows windows;
  ASSERT_TRUE(windows.Create(hostsim::HostWindowOptions()));
  qlv::PluginRecord record = {};
  hostsim::FrameLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.format = 0;
  std::FILE* input = std::tmpfile();
  for (int b = 0; b < 12; ++b) std::fputc(b, input);
  std::rewind(input);
  hostsim::FrameSource source(input, layout);
  hostsim::PlayerOutputs out;
  out.framesCsv = std::tmpfile();
  hostsim::Player player(record, windows, nullptr);
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.maxFrames = 2;  // of three in the input
  hostsim::PlayerResult r = player.Play(source, pc, out);
  EXPECT_EQ(r.frames, 2);
  EXPECT_EQ(r.processed, 0);
  EXPECT_EQ(ReadAll(out.framesCsv), "0,0\n1,0\n");
  std::fclose(out.framesCsv);
  std::fclose(input);
}

// Spends at least `us` microseconds of wall time, measured as the player measures.
void Spend(double us) {
  LARGE_INTEGER f, t0, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  do QueryPerformanceCounter(&t);
  while (static_cast<double>(t.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(f.QuadPart) < us);
}

int QLV_CDECL SlowOnOddFrames(qlv::HostFrame* f) {
  static int calls = 0;
  const bool odd = calls++ % 2 == 1;
  if (odd) Spend(3000);
  return odd ? 1 : 0;
}

TEST(Player, TimingMeasuresEveryCallAndWritesItBesideTheResult) {
  hostsim::HostWindows windows;
  ASSERT_TRUE(windows.Create(hostsim::HostWindowOptions()));
  qlv::PluginRecord record = {};
  record.processFrame = SlowOnOddFrames;
  hostsim::FrameLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.format = 0;
  std::FILE* input = std::tmpfile();
  for (int b = 0; b < 16; ++b) std::fputc(b, input);
  std::rewind(input);
  hostsim::FrameSource source(input, layout);
  hostsim::PlayerOutputs out;
  out.framesCsv = std::tmpfile();
  hostsim::Player player(record, windows, nullptr);
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.timing = true;
  hostsim::PlayerResult r = player.Play(source, pc, out);
  ASSERT_EQ(r.frames, 4);
  ASSERT_EQ(r.callUs.size(), 4u);
  ASSERT_EQ(r.processedUs.size(), 2u);
  for (int i = 0; i < 4; ++i) {
    if (i % 2) EXPECT_GE(r.callUs[i], 3000.0) << i;
    else EXPECT_LT(r.callUs[i], 3000.0) << i;
  }
  EXPECT_EQ(r.processedUs[0], r.callUs[1]);
  EXPECT_EQ(r.processedUs[1], r.callUs[3]);
  // frame,result,call_us: the same figures, one decimal.
  const std::string csv = ReadAll(out.framesCsv);
  int frame = -1, result = -1;
  double us = 0;
  size_t line = 0;
  for (size_t p = 0; p < csv.size(); p = csv.find('\n', p) + 1, ++line) {
    ASSERT_EQ(std::sscanf(csv.c_str() + p, "%d,%d,%lf", &frame, &result, &us), 3) << csv;
    EXPECT_EQ(frame, static_cast<int>(line));
    EXPECT_EQ(result, frame % 2);
    EXPECT_NEAR(us, r.callUs[line], 0.051);
  }
  EXPECT_EQ(line, 4u);
  std::fclose(out.framesCsv);
  std::fclose(input);
}

}  // namespace
