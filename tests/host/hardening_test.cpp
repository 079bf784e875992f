// The real DLL in a host that misbehaves or lives long: an interface thread that
// stops pumping, many loads and unloads, and what the plug-in leaves in the process.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "frame_source.h"
#include "host_options.h"
#include "host_session.h"
#include "player.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"
#include "process_counters.h"

namespace {

using hosttest::BoxFrame;
using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::WriteBytes;
using hosttest::WriteMask;

std::string MaskPath() { return PluginsFolder() + "hardening.msk"; }

struct Cleanup : hosttest::SettingsAndMaskRemoved {
  Cleanup() : SettingsAndMaskRemoved(MaskPath()) {}
};

constexpr int32_t kWidth = 96, kHeight = 72;

// Every cell watched; an alarm takes one snapshot.
void WriteWatchingSettings() {
    ASSERT_NO_FATAL_FAILURE(WriteMask(MaskPath()));
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                                                    "\r\nRecordEnable=1\r\nRecordType=0\r\nShowTime=1\r\n"));
}

TEST(HostStall, OptionsOfStallsAndLongRuns) {
  hostsim::HostOptions o;
  std::string error;
  ASSERT_TRUE(hostsim::ParseHostOptions({"--stall-ui", "6000"}, &o, &error)) << error;
  EXPECT_EQ(o.stallUiMs, 6000u);
  EXPECT_FALSE(o.loop);
  EXPECT_EQ(o.settingsEvery, 0);
  EXPECT_EQ(o.countersAt, -1);
  EXPECT_FALSE(hostsim::ParseHostOptions({"--stall-ui", "-1"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--stall-ui", "soon"}, &o, &error));
  ASSERT_TRUE(hostsim::ParseHostOptions({"--loop", "--settings-every", "5000", "--counters-at=1000"}, &o, &error))
      << error;
  EXPECT_TRUE(o.loop);
  EXPECT_EQ(o.settingsEvery, 5000);
  EXPECT_EQ(o.countersAt, 1000);
  EXPECT_FALSE(hostsim::ParseHostOptions({"--settings-every", "0"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--counters-at", "-2"}, &o, &error));
  for (const char* option : {"--stall-ui MS", "--loop", "--settings-every N", "--counters-at N"})
    EXPECT_NE(hostsim::HostUsage().find(option), std::string::npos) << option;
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

// The plug-in formats its caption in the user's locale, but the runtime it
// shares with the host keeps the locale the host chose.
TEST(HostLocale, InitLeavesTheProcessTimeLocaleAlone) {
  Cleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(WriteWatchingSettings());
  const std::string before = std::setlocale(LC_TIME, nullptr);
  const std::string user = std::setlocale(LC_TIME, "");
  std::setlocale(LC_TIME, before.c_str());
  std::printf("time locale \"%s\", the user's \"%s\"\n", before.c_str(), user.c_str());
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  session.channels().SetChannels({{0, 0, "Camera"}});
  ASSERT_NE(session.Record(), nullptr);
  session.Init();
  EXPECT_EQ(std::string(std::setlocale(LC_TIME, nullptr)), before);
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = kWidth;
  format.height = kHeight;
  ASSERT_EQ(session.Start(format), 1);
  std::vector<uint8_t> pixels = BoxFrame(0);
  const std::vector<uint8_t> plain = pixels;
  qlv::HostFrame frame = {};
  frame.pixels = pixels.data();
  frame.channel = session.channels().Get(0);
  EXPECT_EQ(session.ProcessFrame(frame), 1);
  EXPECT_NE(pixels, plain) << "the caption was drawn";
  session.Close();
  session.Shutdown();
  EXPECT_EQ(std::string(std::setlocale(LC_TIME, nullptr)), before);
}

int QLV_CDECL CountingStart(qlv::StreamFormat*) { return 1; }
int g_countedFrames = 0;
int QLV_CDECL CountingFrame(qlv::HostFrame* f) {
  ++g_countedFrames;
  return f->pixels ? 1 : 0;
}

// What the soak rests on: a looping input and tasks on the interface thread
// every N frames while the frame thread waits.
TEST(HostLongRun, LoopingInputAndInterfaceTasks) {
  hostsim::HostWindows windows;
  ASSERT_TRUE(windows.Create(hostsim::HostWindowOptions()));
  qlv::PluginRecord record = {};
  record.start = CountingStart;
  record.processFrame = CountingFrame;
  hostsim::FrameLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.format = 0;
  std::FILE* input = std::tmpfile();
  ASSERT_NE(input, nullptr);
  for (int b = 0; b < 3 * 8; ++b) std::fputc(b, input);  // three frames
  std::rewind(input);
  hostsim::FrameSource source(input, layout);
  hostsim::Player player(record, windows, [](int64_t) { return nullptr; });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.loop = true;
  pc.maxFrames = 10;
  pc.uiTaskEvery = 4;
  std::vector<int64_t> tasks;
  bool onThisThread = true;
  const DWORD self = GetCurrentThreadId();
  pc.uiTask = [&](int64_t frame) {
    tasks.push_back(frame);
    onThisThread = onThisThread && GetCurrentThreadId() == self;
  };
  std::vector<int64_t> after;
  pc.afterFrame = [&](int64_t frame) { after.push_back(frame); };
  g_countedFrames = 0;
  const hostsim::PlayerResult r = player.Play(source, pc, hostsim::PlayerOutputs());
  std::fclose(input);
  EXPECT_EQ(r.frames, 10);
  EXPECT_EQ(g_countedFrames, 10);
  EXPECT_EQ(tasks, (std::vector<int64_t>{4, 8}));
  EXPECT_TRUE(onThisThread);
  EXPECT_EQ(after.size(), 10u);
}

// The child of HostExit: a frame thread that keeps drawing the caption (and so
// holds the caption's lock much of the time) while the main thread ends the
// process. The library's detach must not wait for that lock.
DWORD WINAPI ChildFrames(void* p) {
  auto* session = static_cast<hostsim::HostSession*>(p);
  std::vector<uint8_t> pixels(720 * 576 * 2, 0x40);
  qlv::HostFrame frame = {};
  frame.pixels = pixels.data();
  frame.channel = session->channels().Get(0);
  for (;;) session->ProcessFrame(frame);
}

void RunExitChild(int delayMs) {
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  if (!session.Open(so, &error)) ExitProcess(2);
  session.channels().SetChannels({{0, 0, "Camera"}});
  session.Record();
  session.Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();  // 720 x 576: long blends
  session.Start(format);
  HANDLE t = CreateThread(nullptr, 0, ChildFrames, &session, 0, nullptr);
  if (!t) ExitProcess(3);
  Sleep(static_cast<DWORD>(delayMs));
  ExitProcess(7);
}

TEST(HostExit, ProcessEndsWhileAFrameThreadIsInsideThePlugin) {
  if (const char* child = std::getenv("QLV_EXIT_CHILD")) RunExitChild(std::atoi(child));
  Cleanup cleanup;
  // A caption as large as the frame and nothing else to draw or watch: the frame
  // thread spends most of its time in the caption's blend, under its lock.
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nShowTime=1\r\nShowMask=0\r\nShowGrid=0\r\n"
                                                "FontSize=-400\r\nTimeFormat=%H:%M:%S %H:%M:%S\r\n"));
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  for (int i = 0; i < 8; ++i) {
    const std::string delay = std::to_string(200 + 37 * i);
    SetEnvironmentVariableA("QLV_EXIT_CHILD", delay.c_str());
    hosttest::ChildProcess child;
    const bool started = child.Start(exe, "--gtest_filter=HostExit.*", false);
    SetEnvironmentVariableA("QLV_EXIT_CHILD", nullptr);
    ASSERT_TRUE(started);
    DWORD code = 0;
    ASSERT_TRUE(child.Wait(20000, &code)) << "the process hung on its way out (delay " << delay << " ms)";
    EXPECT_EQ(code, 7u) << "delay " << delay << " ms";
  }
}

int ReloadCycles() {
  const char* v = std::getenv("QLV_RELOAD_CYCLES");
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : 200;
}

// What the process holds between cycles. GDI objects the plug-in made are
// counted at its imports; the system's own count is 0 where Wine does not keep it.
// TLS slots: the lowest free one, and how many are free below a bound.
struct Holdings {
  uint32_t handles = 0;
  uint32_t gdi = 0;
  uint32_t pluginGdi = 0;
  uint32_t tlsFree = 0;
};
uint32_t FreeTlsSlotsBelow(DWORD bound) {
  std::vector<DWORD> taken;
  for (DWORD t = TlsAlloc(); t != TLS_OUT_OF_INDEXES && t < bound; t = TlsAlloc()) taken.push_back(t);
  for (DWORD t : taken) TlsFree(t);
  // The one past the bound (if any) was taken too.
  const DWORD last = TlsAlloc();
  if (last != TLS_OUT_OF_INDEXES) TlsFree(last);
  return static_cast<uint32_t>(taken.size());
}
Holdings Hold() {
  const hostsim::ProcessCounters c = hostsim::ReadProcessCounters();
  return Holdings{c.handles, c.gdiObjects, hostsim::ModuleGdiWatch::Live(), FreeTlsSlotsBelow(512)};
}

void Feed(hostsim::HostSession& session, int frames) {
  qlv::HostFrame frame = {};
  for (int i = 0; i < frames; ++i) {
    std::vector<uint8_t> pixels = BoxFrame(i % 8 < 4 ? 0 : 40);
    frame.pixels = pixels.data();
    frame.channel = session.channels().Get(0);
    session.ProcessFrame(frame);
    hostsim::HostWindows::PumpMessages();
  }
}

qlv::StreamFormat SmallFormat() {
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = kWidth;
  format.height = kHeight;
  return format;
}

// A session on one channel whose plug-in's GDI objects are counted.
void OpenWatched(hostsim::HostSession& session) {
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  ASSERT_TRUE(hostsim::ModuleGdiWatch::Attach(session.plugin().module));
  session.channels().SetChannels({{0, 0, "Camera"}});
  ASSERT_NE(session.Record(), nullptr);
}

// Load, init, start, 50 frames with every overlay on, close and unload, over and
// over; then init and close over and over in one load. Nothing piles up: not the
// process's handles (but for the unwinder's one lock a load), not the system's GDI count, not the objects the plug-in made.
TEST(HostReload, LoadsAndInitsLeaveNothingBehind) {
  Cleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(WriteWatchingSettings());
  // A host has the system libraries the plug-in uses loaded for itself; Wine's
  // copies open registry keys at every load that they keep after their unload.
  for (const char* dll : {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll", "winmm.dll"})
    ASSERT_NE(LoadLibraryA(dll), nullptr) << dll;
  const int cycles = ReloadCycles();
  Holdings afterFirst;
  const DWORD begin = GetTickCount();
  for (int i = 0; i < cycles; ++i) {
    hostsim::HostSession session;
    ASSERT_NO_FATAL_FAILURE(OpenWatched(session));
    session.Init();
    ASSERT_EQ(session.Start(SmallFormat()), 1);
    Feed(session, 50);
    if (i == 0) {
      EXPECT_GE(hostsim::ModuleGdiWatch::Created(), 3u) << "the caption's layers and font were seen";
    }
    session.Close();
    session.Shutdown();
    if (i == 0) afterFirst = Hold();
  }
  const DWORD loadsMs = GetTickCount() - begin;
  const Holdings afterLoads = Hold();
  std::printf("%d loads in %lu ms; handles %u -> %u, system GDI %u -> %u, plug-in GDI %u -> %u (%llu made), "
              "free TLS slots %u -> %u\n",
              cycles, static_cast<unsigned long>(loadsMs), afterFirst.handles, afterLoads.handles, afterFirst.gdi,
              afterLoads.gdi, afterFirst.pluginGdi, afterLoads.pluginGdi,
              static_cast<unsigned long long>(hostsim::ModuleGdiWatch::Created()), afterFirst.tlsFree,
              afterLoads.tlsFree);
  EXPECT_EQ(afterFirst.pluginGdi, 0u);
  EXPECT_EQ(afterLoads.pluginGdi, 0u);
  // The unwinder of the runtime's win32 thread model registers the library's frames
  // under a lock it makes at each load and never closes: one handle a load, no more.
  EXPECT_LE(afterLoads.handles, afterFirst.handles + static_cast<unsigned>(cycles - 1));
  EXPECT_EQ(afterLoads.gdi, afterFirst.gdi);
  EXPECT_EQ(afterLoads.tlsFree, afterFirst.tlsFree) << "a TLS slot per load is a process out of them in 1,088";

  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenWatched(session));
  Holdings afterFirstInit;
  for (int i = 0; i < cycles; ++i) {
    session.Init();
    ASSERT_EQ(session.Start(SmallFormat()), 1);
    Feed(session, 2);
    session.Close();
    if (i == 0) afterFirstInit = Hold();
  }
  const Holdings afterInits = Hold();
  std::printf("%d inits: handles %u -> %u, system GDI %u -> %u, plug-in GDI %u -> %u, free TLS slots %u -> %u\n",
              cycles, afterFirstInit.handles, afterInits.handles, afterFirstInit.gdi, afterInits.gdi,
              afterFirstInit.pluginGdi, afterInits.pluginGdi, afterFirstInit.tlsFree, afterInits.tlsFree);
  EXPECT_EQ(afterFirstInit.pluginGdi, 0u) << "the caption is freed at close";
  EXPECT_EQ(afterInits.pluginGdi, 0u);
  EXPECT_EQ(afterInits.handles, afterFirstInit.handles);
  EXPECT_EQ(afterInits.gdi, afterFirstInit.gdi);
  EXPECT_EQ(afterInits.tlsFree, afterFirstInit.tlsFree);
  session.Shutdown();
}

}  // namespace
