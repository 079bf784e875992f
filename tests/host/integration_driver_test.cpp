// The frame driver inside the real DLL, called frame by frame: the warm-up after
// entering the controlled channel, channel (0, 0) at start, and the alarm lock-out.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "host_session.h"
#include "pixel/frame_canvas.h"
#include "pixel/kernels.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"
#include "settings/settings.h"

namespace {

using hosttest::BoxFrame;
using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::WriteBytes;
using hosttest::WriteMask;

std::string MaskPath() { return PluginsFolder() + "integration_driver.msk"; }

struct Cleanup : hosttest::SettingsAndMaskRemoved {
  Cleanup() : SettingsAndMaskRemoved(MaskPath()) {}
};

constexpr int32_t kWidth = 96, kHeight = 72;

void OpenStarted(hostsim::HostSession* session, const std::vector<hostsim::ChannelSpec>& channels) {
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session->Open(so, &error)) << error;
  session->channels().SetChannels(channels);
  ASSERT_NE(session->Record(), nullptr);
  session->Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = kWidth;
  format.height = kHeight;
  ASSERT_EQ(session->Start(format), 1);
}

int Feed(hostsim::HostSession* session, int32_t channelIndex, std::vector<uint8_t>* pixels) {
  qlv::HostFrame frame = {};
  frame.pixels = pixels->data();
  frame.channel = session->channels().Get(channelIndex);
  const int r = session->ProcessFrame(frame);
  hostsim::HostWindows::PumpMessages();
  return r;
}

// Snapshots on alarm. The box jumps at frames 32, 42 and 70; each jump is an alarm
// (checked with the detector in this process), but the one 10 frames after the first
// falls inside the 25-frame lock-out.
TEST(IntegrationDriver, WarmUpThenAlarmsTenFramesApartTriggerOnce) {
  Cleanup cleanup;
    ASSERT_NO_FATAL_FAILURE(WriteMask(MaskPath()));
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                            "\r\nChannelIdx=101\r\nRecordEnable=1\r\nRecordType=0\r\n"));
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenStarted(&session, {{101, 0, "Camera"}, {7, 0, "Other"}}));

  qlv::FrameCanvas canvas;
  canvas.SetGeometry(kWidth, kHeight, qlv::PixelFormatYUV422);
  canvas.SetKernelLevel(qlv::kernels::KernelLevel::Reference);
  qlv::MaskGrid grid;
  ASSERT_TRUE(grid.LoadMaskFile(MaskPath()));
  grid.RestartCells();
  qlv::MotionDetector detector;
  detector.SetKernelLevel(qlv::kernels::KernelLevel::Reference);
  ASSERT_TRUE(detector.ResizeSamples(kWidth, kHeight));
  qlv::SettingsRecord s;

  std::vector<int> alarmFrames;
  int32_t x = 0;
  for (int i = 0; i < 72; ++i) {
    if (i == 32 || i == 70) x = 40;
    if (i == 42) x = 0;
    std::vector<uint8_t> pixels = BoxFrame(x);
    const int processed = Feed(&session, 0, &pixels);
    EXPECT_EQ(processed, i < 30 ? 0 : 1) << "frame " << i;
    if (i >= 30 && detector.DetectMotion(BoxFrame(x).data(), canvas, grid, s) == 1) alarmFrames.push_back(i);
  }
  ASSERT_EQ(alarmFrames, (std::vector<int>{32, 42, 70}));
  // Another channel: not processed, and nothing was running to stop.
  std::vector<uint8_t> pixels = BoxFrame(0);
  EXPECT_EQ(Feed(&session, 1, &pixels), 0);
  session.Close();
  hostsim::HostWindows::PumpMessages();

  std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].code, qlv::kCmdSnapshot);
  EXPECT_EQ(log[0].frameIndex, 32);
  EXPECT_EQ(log[1].code, qlv::kCmdSnapshot);
  EXPECT_EQ(log[1].frameIndex, 70);
  session.Shutdown();
}

// Snapshot frames of one run, and the settings file the plug-in saved at its close.
struct LightRun {
  std::vector<int64_t> snapshots;
  std::string saved;
};

// Snapshots on alarm, with `guardKeys` in the settings file. The whole picture goes up by
// 10 luma levels at frames 40, 41 and 42 and stays there; the box jumps at frame 80.
LightRun PlayLightChange(const std::string& guardKeys) {
  Cleanup cleanup;
  LightRun run;
  WriteMask(MaskPath());
  WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                            "\r\nChannelIdx=101\r\nRecordEnable=1\r\nRecordType=0\r\n" + guardKeys);
  if (::testing::Test::HasFatalFailure()) return run;
  hostsim::HostSession session;
  OpenStarted(&session, {{101, 0, "Camera"}});
  if (::testing::Test::HasFatalFailure()) return run;
  for (int i = 0; i < 90; ++i) {
    std::vector<uint8_t> pixels = BoxFrame(i < 80 ? 0 : 40);
    const int lift = 10 * std::min(std::max(i - 39, 0), 3);
    for (size_t b = 0; b < pixels.size(); b += 2) pixels[b] = static_cast<uint8_t>(pixels[b] + lift);
    Feed(&session, 0, &pixels);
  }
  session.Close();
  hostsim::HostWindows::PumpMessages();
  for (const hostsim::LoggedCommand& c : session.windows().log().Entries()) {
    EXPECT_EQ(c.code, qlv::kCmdSnapshot);
    run.snapshots.push_back(c.frameIndex);
  }
  session.Shutdown();
  if (std::FILE* f = std::fopen(IniPath().c_str(), "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) run.saved.append(buffer, n);
    std::fclose(f);
  }
  return run;
}

// The guard's keys reach the real DLL through its settings file: with LightChangePercent
// the three frames of the light change are held and only the box alarms; a value out of
// range reads as off. The plug-in saves the keys back only when they are not at their
// defaults.
TEST(IntegrationDriver, LightChangeGuardFromTheSettingsFileHoldsTheLightNotTheBox) {
  const LightRun plain = PlayLightChange("");
  EXPECT_EQ(plain.snapshots, (std::vector<int64_t>{40, 80}));
  ASSERT_NE(plain.saved.find("\r\nRecordType=0\r\n"), std::string::npos) << plain.saved;
  EXPECT_EQ(plain.saved.find("LightChange"), std::string::npos);

  const LightRun guarded = PlayLightChange("LightChangePercent=50\r\nLightChangeFrames=3\r\n");
  EXPECT_EQ(guarded.snapshots, (std::vector<int64_t>{80}));
  EXPECT_NE(guarded.saved.find("\r\nLightChangePercent=50\r\nLightChangeFrames=3\r\n"), std::string::npos)
      << guarded.saved;

  const LightRun outOfRange = PlayLightChange("LightChangePercent=101\r\n");
  EXPECT_EQ(outOfRange.snapshots, (std::vector<int64_t>{40, 80}));
  EXPECT_EQ(outOfRange.saved.find("LightChange"), std::string::npos);
}

// With the default ChannelIdx 0, a stream that starts on channel (0, 0) is processed from
// its first frame (no channel change is seen); coming back to it from another channel
// warms up again for 30 frames.
TEST(IntegrationDriver, ChannelZeroIsProcessedAtOnceAndWarmsUpOnReturn) {
  Cleanup cleanup;
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenStarted(&session, {{0, 0, "Zero"}, {5, 0, "Five"}}));
  const std::vector<uint8_t> still = BoxFrame(0);
  std::vector<uint8_t> pixels = still;
  EXPECT_EQ(Feed(&session, 0, &pixels), 1);
  EXPECT_NE(pixels, still) << "the first frame carries the overlay";
  pixels = still;
  EXPECT_EQ(Feed(&session, 1, &pixels), 0);
  EXPECT_EQ(pixels, still);
  for (int i = 0; i < 31; ++i) {
    pixels = still;
    const int processed = Feed(&session, 0, &pixels);
    EXPECT_EQ(processed, i < 30 ? 0 : 1) << "frame " << i << " after the return";
    if (i < 30) {
      EXPECT_EQ(pixels, still) << "frame " << i << " after the return";
    }
  }
  EXPECT_NE(pixels, still);
  session.Close();
  session.Shutdown();
}

// Processes this one started whose executable is `exe`.
std::vector<DWORD> ChildrenNamed(const char* exe) {
  std::vector<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 pe = {};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
    if (pe.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(pe.szExeFile, exe) == 0)
      ids.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return ids;
}

void EndProcesses(const std::vector<DWORD>& ids) {
  for (DWORD id : ids) {
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!h) continue;
    TerminateProcess(h, 0);
    WaitForSingleObject(h, 30000);
    CloseHandle(h);
  }
}

// With restart off, an alarm while the task still runs does not start it again; once
// it has ended, the next alarm does. The task is this test program with a filter that
// matches nothing, repeated without end so that it lives until the test ends it.
TEST(IntegrationDriver, RunningTaskIsNotStartedTwice) {
  Cleanup cleanup;
    ASSERT_NO_FATAL_FAILURE(WriteMask(MaskPath()));
  const std::string task =
      hostsim::ExecutableFolder() + "host_tests.exe --gtest_filter=NothingAtAll --gtest_repeat=-1 --gtest_brief=1";
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                            "\r\nChannelIdx=101\r\nProcessEnable=1\r\nProcessRepeatEnable=0\r\nProcessFileName=" +
                            task + "\r\n"));
  ASSERT_TRUE(ChildrenNamed("host_tests.exe").empty());
  struct EndChildren {
    ~EndChildren() { EndProcesses(ChildrenNamed("host_tests.exe")); }
  } endChildren;
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenStarted(&session, {{101, 0, "Camera"}}));
  std::vector<DWORD> first, afterSecond;
  int32_t x = 0;
  for (int i = 0; i < 110; ++i) {
    if (i == 32 || i == 100) x = 40;
    if (i == 70) x = 0;
    std::vector<uint8_t> pixels = BoxFrame(x);
    Feed(&session, 0, &pixels);
    if (i == 32) first = ChildrenNamed("host_tests.exe");
    if (i == 70) {
      afterSecond = ChildrenNamed("host_tests.exe");
      EndProcesses(afterSecond);
    }
  }
  const std::vector<DWORD> third = ChildrenNamed("host_tests.exe");
  EndProcesses(third);
  session.Close();
  session.Shutdown();
  ASSERT_EQ(first.size(), 1u) << "the first alarm starts the task";
  EXPECT_EQ(afterSecond, first) << "the second alarm finds it running";
  ASSERT_EQ(third.size(), 1u) << "the alarm after its end starts it again";
  EXPECT_NE(third[0], first[0]);
}

}  // namespace
