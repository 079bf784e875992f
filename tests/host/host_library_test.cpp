// The stand-in host's own pieces: windows, command log, channel lists, options.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "channels.h"
#include "host_options.h"
#include "host_windows.h"
#include "plugin/host_api.h"
#include "plugin/host_commands.h"

namespace {

using hostsim::HostWindows;

TEST(HostWindows, TitlesPlainAndPerInstance) {
  HostWindows w;
  hostsim::HostWindowOptions o;
  ASSERT_TRUE(w.Create(o));
  EXPECT_EQ(FindWindowA("TMain", "Quelvar"), w.mainWindow());
  EXPECT_EQ(FindWindowA("TVideoFrame", "Video window"), w.videoWindow());
  EXPECT_EQ(FindWindowExA(w.videoWindow(), nullptr, "ActiveMovie Window", nullptr), w.movieWindow());
  w.Destroy();
  EXPECT_EQ(FindWindowA("TMain", "Quelvar"), nullptr);

  o.instanceId = "2";
  ASSERT_TRUE(w.Create(o));
  EXPECT_EQ(FindWindowA("TMain", "Quelvar.Inst2"), w.mainWindow());
  EXPECT_EQ(FindWindowA("TVideoFrame", "Video window.Inst2"), w.videoWindow());
  EXPECT_EQ(FindWindowA("TMain", "Quelvar"), nullptr);
}

TEST(HostWindows, AnswersVersionAndLanguageAndLogsTheRest) {
  HostWindows w;
  hostsim::HostWindowOptions o;
  o.languageAnswer = 1049;
  o.versionAnswer = 0x00050002;
  ASSERT_TRUE(w.Create(o));
  HWND main = w.mainWindow();
  EXPECT_EQ(SendMessageA(main, qlv::kHostCommand, qlv::kCmdLanguage, 0), 1049);
  EXPECT_EQ(SendMessageA(main, qlv::kHostCommand, qlv::kCmdVersion, 0), 0x00050002);
  w.SetLanguageAnswer(65536);
  EXPECT_EQ(SendMessageA(main, qlv::kHostCommand, qlv::kCmdLanguage, 0), 65536);
  EXPECT_EQ(w.log().Count(), 0u);  // questions are answered, not logged

  const DWORD before = GetTickCount();
  w.SetFrameIndex(7);
  ASSERT_TRUE(PostMessageA(main, qlv::kHostCommand, qlv::kCmdSnapshot, 0));
  HostWindows::PumpMessages();
  w.SetFrameIndex(8);
  SendMessageA(main, qlv::kHostCommand, qlv::kCmdRecordStop, 0);
  const auto entries = w.log().Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].code, uint32_t(qlv::kCmdSnapshot));
  EXPECT_EQ(entries[0].frameIndex, 7);
  EXPECT_FALSE(entries[0].sent);
  EXPECT_LE(entries[0].tick - before, GetTickCount() - before);  // stamped after `before`, not later than now
  EXPECT_EQ(entries[1].code, uint32_t(qlv::kCmdRecordStop));
  EXPECT_EQ(entries[1].frameIndex, 8);
  EXPECT_TRUE(entries[1].sent);
  EXPECT_EQ(w.log().CountOf(qlv::kCmdSnapshot), 1u);
}

TEST(HostWindows, VideoSurfaceIsTransparentToTheMouse) {
  HostWindows w;
  hostsim::HostWindowOptions o;
  ASSERT_TRUE(w.Create(o));
  EXPECT_EQ(SendMessageA(w.movieWindow(), WM_NCHITTEST, 0, MAKELPARAM(10, 10)), HTTRANSPARENT);
}

TEST(HostWindows, MouseOverTheVideoSurfaceReachesTheVideoWindow) {
  HostWindows w;
  hostsim::HostWindowOptions o;
  o.visible = true;
  o.videoWidth = 320;
  o.videoHeight = 240;
  ASSERT_TRUE(w.Create(o));
  SetForegroundWindow(w.videoWindow());
  RECT r;
  GetWindowRect(w.movieWindow(), &r);
  const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  // Hit-testing passes through the surface to its parent.
  EXPECT_EQ(WindowFromPoint(centre), w.videoWindow());
  const DWORD start = GetTickCount();
  int step = 0;
  while (w.videoMouseMessages() == 0 && GetTickCount() - start < 10000) {
    SetCursorPos(centre.x + (step++ % 5), centre.y);
    HostWindows::PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  EXPECT_GT(w.videoMouseMessages(), 0u);
}

TEST(HostChannels, ListsServedByIndexWithNamesInline) {
  hostsim::ChannelList list;
  list.SetChannels({{1, 0, "News"}, {2, 0x80000001u, "Sport"}});
  list.SetSources({{0x100, 0, "Composite"}, {0x101, 0, "S-Video"}});
  list.MakeCurrent();
  qlv::ChannelInfo* c = hostsim::HostGetChannel(1);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->id0, 2u);
  EXPECT_EQ(c->id1, 0x80000001u);
  EXPECT_STREQ(reinterpret_cast<const char*>(c) + 12, "Sport");
  EXPECT_STREQ(hostsim::HostGetChannel(0)->name, "News");
  EXPECT_EQ(hostsim::HostGetChannel(2), nullptr);
  EXPECT_EQ(hostsim::HostGetChannel(-1), nullptr);
  EXPECT_STREQ(hostsim::HostGetChannel(-2)->name, "Composite");
  EXPECT_STREQ(hostsim::HostGetChannel(-3)->name, "S-Video");
  EXPECT_EQ(hostsim::HostGetChannel(-4), nullptr);
  EXPECT_EQ(hostsim::HostGetChannel(INT32_MIN), nullptr);
  EXPECT_EQ(hostsim::HostGetChannel(INT32_MAX), nullptr);
  EXPECT_EQ(list.calls(), 9u);
  hostsim::ChannelList::ClearCurrent();
  EXPECT_EQ(hostsim::HostGetChannel(0), nullptr);
}

TEST(HostOptions, InfoLanguageAndInstance) {
  hostsim::HostOptions o;
  std::string error;
  ASSERT_TRUE(hostsim::ParseHostOptions({"--info", "--lang", "1049", "--inst", "2"}, &o, &error)) << error;
  EXPECT_EQ(o.mode, hostsim::HostMode::Info);
  EXPECT_EQ(o.lang, 1049u);
  EXPECT_EQ(o.inst, "2");
  ASSERT_TRUE(hostsim::ParseHostOptions({"--lang=0x419", "-inst:3", "/inst:45"}, &o, &error)) << error;
  EXPECT_EQ(o.mode, hostsim::HostMode::Play);  // no --info: the playing host
  EXPECT_EQ(o.lang, 0x419u);
  EXPECT_EQ(o.inst, "4");  // one character; the later switch wins
}

TEST(HostOptions, BadInputIsReported) {
  hostsim::HostOptions o;
  std::string error;
  EXPECT_FALSE(hostsim::ParseHostOptions({"--lang"}, &o, &error));
  EXPECT_NE(error.find("--lang"), std::string::npos);
  EXPECT_FALSE(hostsim::ParseHostOptions({"--lang", "x"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--lang", "-1"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--lang", "4294967296"}, &o, &error));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--bogus"}, &o, &error));
  EXPECT_NE(error.find("--bogus"), std::string::npos);
  uint32_t v = 0;
  EXPECT_TRUE(hostsim::ParseUnsigned("4294967295", &v));
  EXPECT_EQ(v, 0xFFFFFFFFu);
  EXPECT_FALSE(hostsim::ParseUnsigned("", &v));
  EXPECT_FALSE(hostsim::ParseUnsigned("12a", &v));
}

}  // namespace
