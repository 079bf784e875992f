#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "plugin/plugin.h"
#include "test_thread.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;
using testing_support::FakePlatform;
using Cmds = std::vector<uintptr_t>;

constexpr int32_t kW = 64;
constexpr int32_t kH = 48;

class FakeDialog : public DialogLink {
 public:
  bool open = false;
  std::vector<uint32_t> refreshes;
  int destroyed = 0;
  bool IsDialogOpen() override { return open; }
  void PostRefreshControls(uint32_t kind) override { refreshes.push_back(kind); }
  void DestroyDialog() override {
    ++destroyed;
    open = false;
  }
};

class CountingCaption : public CaptionHook {
 public:
  int inits = 0, starts = 0, draws = 0, closes = 0;
  void OnInit(const SettingsRecord&) override { ++inits; }
  void OnStart() override { ++starts; }
  void Draw(uint8_t*, const OverlayGeometry&) override { ++draws; }
  void OnClose() override { ++closes; }
};

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loc_ = testing_support::FreshSettingsFolder("qlv_plugin_", &dir_);
    p_.topWindows[{"TMain", "Quelvar"}] = 42;
    plugin_.SetDialogLink(&dialog_);
    plugin_.SetCaptionHook(&caption_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteIni(const std::string& body) {
    std::ofstream f(loc_.fullPath, std::ios::binary);
    f << "[PluginSettings]\r\n" << body;
  }
  std::string ReadIni() const {
    std::ifstream f(loc_.fullPath, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // Init, Start, and every cell watched.
  void Begin(int32_t recording = 0, int32_t format = PixelFormatYUV422) {
    plugin_.Init(nullptr, 0, loc_);
    StreamFormat f{kW, kH, 0, format, 0, recording};
    ASSERT_EQ(plugin_.Start(f), 1);
    plugin_.WatchAllCells();
  }
  std::vector<uint8_t> Frame(uint8_t value) const {
    return std::vector<uint8_t>(static_cast<size_t>(kW) * kH * 3, value);
  }
  // One frame on (id0, id1), 40 ms after the previous one.
  int Feed(std::vector<uint8_t>& frame, uint32_t id0 = 5, uint32_t id1 = 0) {
    p_.tick += 40;
    const ChannelRef ch{id0, id1, "Channel five"};
    return plugin_.ProcessFrame(frame.data(), &ch);
  }
  // n frames that alternate between dark and light: motion in every cell.
  void Motion(int n, uint32_t id0 = 5) {
    for (int i = 0; i < n; ++i) {
      auto f = Frame(flip_ ? 0xF0 : 0x10);
      flip_ = !flip_;
      Feed(f, id0);
    }
  }
  // n identical frames: no motion.
  void Still(int n, uint32_t id0 = 5) {
    for (int i = 0; i < n; ++i) {
      auto f = Frame(flip_ ? 0x10 : 0xF0);
      Feed(f, id0);
    }
  }

  fs::path dir_;
  SettingsLocation loc_;
  FakePlatform p_;
  FakeDialog dialog_;
  CountingCaption caption_;
  Plugin plugin_{p_};
  bool flip_ = false;
};

const char kFirstRunFile[] =
    "[PluginSettings]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
    "ChannelIdx=0\r\nMaskFileName=\r\nSensitive=10\r\nFrameCounter=1\r\nDuration=10\r\n"
    "ControlY=1\r\nControlR=0\r\nControlG=0\r\nControlB=0\r\nRecordEnable=0\r\nRecordType=0\r\n"
    "RecordPause=0\r\nSoundEnable=0\r\nSoundRepeatEnable=0\r\nSoundFileName=\r\nProcessEnable=0\r\n"
    "ProcessRepeatEnable=0\r\nProcessFileName=\r\nFontName=Arial\r\nFontSize=-34\r\nFontWeight=700\r\n"
    "FontItalic=0\r\nFontUnderline=1\r\nFontStrikeOut=0\r\nFontCharSet=1\r\nFontQuality=4\r\n"
    "TimeFormat=%x %H:%M:%S\r\nTextPos=3\r\nTextColor=12632256\r\nTextOpacity=50\r\nGridColor=65535\r\n"
    "GridOpacity=30\r\nInactiveColor=8421504\r\nInactiveOpacity=0\r\nActiveColor=65280\r\nActiveOpacity=30\r\n"
    "DangerColor=16711680\r\nDangerOpacity=30\r\nAlarmColor=255\r\nAlarmOpacity=30\r\nShowGrid=1\r\n"
    "ShowMask=1\r\nShowTime=1\r\nRecShowGrid=0\r\nRecShowMask=0\r\nRecShowTime=1\r\nActionTab=0\r\n"
    "VisualTab=0\r\nAction=0\r\nActionStopTime=0\r\nExtThreadHandle=0\r\nExtProcessHandle=0\r\n";

TEST_F(PluginTest, FirstRunCreatesAnEmptyFileAndSavesEveryKey) {
  plugin_.Init(nullptr, 0, loc_);
  ASSERT_TRUE(fs::exists(loc_.fullPath));
  EXPECT_EQ(fs::file_size(loc_.fullPath), 0u);
  EXPECT_EQ(plugin_.Mask().columns, 24);
  EXPECT_EQ(plugin_.Mask().rows, 18);
  EXPECT_EQ(caption_.inits, 1);
  plugin_.Close();
  const std::string text = ReadIni();
  EXPECT_EQ(text, kFirstRunFile);
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 55u);  // header + 54 keys

  // A second cycle writes the same bytes: nothing drifts, -100 survives.
  plugin_.Init(nullptr, 0, loc_);
  plugin_.Close();
  EXPECT_EQ(ReadIni(), kFirstRunFile);
}

TEST_F(PluginTest, MissingMaskFileEmptiesItsName) {
  WriteIni("MaskFileName=" + (dir_ / "none.msk").string() + "\r\nDlgWndPosX=7\r\n");
  plugin_.Init(nullptr, 0, loc_);
  EXPECT_EQ(plugin_.Settings().MaskFileName, "");
  EXPECT_EQ(plugin_.dialogPos().x, 7);
  EXPECT_EQ(plugin_.dialogPos().y, -100);
  ASSERT_EQ(plugin_.Mask().cellCount(), 432);
  for (int i = 0; i < 432; ++i) EXPECT_EQ(plugin_.Mask().watch[i], 0);
}

TEST_F(PluginTest, WarmUpOfThirtyFrames) {
  WriteIni("ChannelIdx=5\r\nShowGrid=1\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  for (int i = 0; i < 30; ++i) {
    auto f = Frame(0x80);
    ASSERT_EQ(Feed(f), 0) << i;
    EXPECT_EQ(f, Frame(0x80)) << i;  // untouched
  }
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f), 1);
  EXPECT_NE(f, Frame(0x80));  // the grid is drawn
  EXPECT_EQ(plugin_.currentChannel().name, "Channel five");
}

TEST_F(PluginTest, UnselectedChannelIsProcessedWithoutWarmUp) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f, 0, 0), 1);
  EXPECT_TRUE(dialog_.refreshes.empty());  // no change was seen
  EXPECT_EQ(Feed(f, 5, 0), 0);
}

TEST_F(PluginTest, AnotherChannelIsNotControlled) {
  WriteIni("ChannelIdx=5\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  auto f = Frame(0x80);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(Feed(f, 5, 1), 0);  // same id0, other id1
  EXPECT_EQ(f, Frame(0x80));
}

TEST_F(PluginTest, BadFramesAreLeftAlone) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  auto f = Frame(0x80);
  const ChannelRef ch{0, 0, "x"};
  EXPECT_EQ(plugin_.ProcessFrame(nullptr, &ch), 0);
  EXPECT_EQ(plugin_.ProcessFrame(f.data(), nullptr), 0);
  HostFrame hf{};
  hf.pixels = f.data();
  hf.channel = nullptr;
  EXPECT_EQ(plugin_.ProcessFrame(&hf), 0);
  EXPECT_EQ(plugin_.ProcessFrame(static_cast<const HostFrame*>(nullptr)), 0);
  EXPECT_EQ(f, Frame(0x80));
  EXPECT_EQ(Feed(f, 0, 0), 1);
}

TEST_F(PluginTest, OldProcessorsProcessNothing) {
  plugin_.Init(nullptr, 0, loc_);
  for (int32_t cls : {1, 2}) {
    StreamFormat fmt{kW, kH, 0, PixelFormatYUV422, cls, 0};
    plugin_.Start(fmt);
    auto f = Frame(0x80);
    EXPECT_EQ(Feed(f, 0, 0), 0);
    EXPECT_EQ(f, Frame(0x80));
  }
}

TEST_F(PluginTest, AbsurdFormatsProcessNoFrames) {
  plugin_.Init(nullptr, 0, loc_);
  const StreamFormat formats[] = {
      {0, 48, 0, 0, 0, 0},     {64, 0, 0, 0, 0, 0},        {-64, 48, 0, 1, 0, 0},
      {64, -48, 0, 0, 0, 0},   {100000, 100000, 0, 1, 0, 0}, {65536, 65536, 0, 0, 0, 0},
      {64, 48, 0, 2, 0, 0},    {64, 48, 0, -1, 0, 0},
  };
  for (const StreamFormat& fmt : formats) {
    EXPECT_EQ(plugin_.Start(fmt), 1);
    auto f = Frame(0x80);
    EXPECT_EQ(Feed(f, 0, 0), 0) << fmt.width << "x" << fmt.height << " " << fmt.pixelFormat;
    EXPECT_EQ(f, Frame(0x80));
  }
  StreamFormat ok{kW, kH, 0, PixelFormatRGB24, 0, 0};
  plugin_.Start(ok);
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f, 0, 0), 1);
}

TEST_F(PluginTest, SwitchesFollowTheRecordingFlag) {
  WriteIni("ShowMask=0\r\nShowGrid=1\r\nShowTime=0\r\nRecShowMask=0\r\nRecShowGrid=0\r\nRecShowTime=1\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin(1));
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f, 0, 0), 1);
  EXPECT_EQ(f, Frame(0x80));  // recording: grid off
  EXPECT_EQ(caption_.draws, 1);
  StreamFormat viewing{kW, kH, 0, PixelFormatYUV422, 0, 0};
  plugin_.Start(viewing);
  EXPECT_EQ(caption_.starts, 2);
  EXPECT_EQ(Feed(f, 0, 0), 1);
  EXPECT_NE(f, Frame(0x80));  // viewing: grid on
  EXPECT_EQ(caption_.draws, 1);  // viewing: caption off
}

TEST_F(PluginTest, NothingShownLeavesPixelsButStillProcesses) {
  WriteIni("ShowMask=0\r\nShowGrid=0\r\nShowTime=0\r\nInactiveOpacity=100\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f, 0, 0), 1);
  EXPECT_EQ(f, Frame(0x80));
  EXPECT_EQ(caption_.draws, 0);
}

TEST_F(PluginTest, LeavingTheControlledChannelStopsRecordingAtOnce) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=2\r\nRecordPause=1\r\nDuration=60\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);
  Motion(3);
  ASSERT_EQ(p_.Commands(), Cmds({1294}));
  Still(1, 6);
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1295}));
  EXPECT_EQ(plugin_.Settings().Action, 0u);
}

TEST_F(PluginTest, RecordingWithPauseAcrossAlarmsAndAChannelChange) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=2\r\nRecordPause=1\r\nDuration=5\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);  // warm-up
  Motion(4);
  ASSERT_EQ(p_.Commands(), Cmds({1294}));
  const uint32_t alarmTick = p_.posts[0].tick;
  EXPECT_EQ(plugin_.Settings().ActionStopTime, alarmTick + 5000);
  Still(200);  // 8 s of quiet
  ASSERT_EQ(p_.Commands(), Cmds({1294, 1302}));
  // The first frame whose tick is past the stop time.
  EXPECT_GT(p_.posts[1].tick, alarmTick + 5000);
  EXPECT_LE(p_.posts[1].tick, alarmTick + 5000 + 40);
  Motion(4);
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302, 1303}));
  Still(10);
  Still(1, 9);
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302, 1303, 1295}));
  for (const auto& post : p_.posts) EXPECT_EQ(post.window, 42u);
}

TEST_F(PluginTest, TwoAlarmsTenFramesApartTriggerOnce) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=0\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);
  Motion(2);
  Still(10);
  Motion(2);
  EXPECT_EQ(p_.Commands(), Cmds({1287}));
  Still(30);
  Motion(2);
  EXPECT_EQ(p_.Commands(), Cmds({1287, 1287}));
}

TEST_F(PluginTest, OpenDialogGetsRefreshesAndSuppressesAlarms) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=0\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  dialog_.open = true;
  Still(30);
  EXPECT_EQ(dialog_.refreshes, std::vector<uint32_t>({0}));
  Motion(5);
  EXPECT_TRUE(p_.Commands().empty());
  plugin_.Close();
  EXPECT_EQ(dialog_.destroyed, 1);
}

TEST_F(PluginTest, CloseKeepsARecentRecordingAndTheNextInitReadsIt) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=2\r\nDuration=10\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);
  Motion(2);  // 1294, guard 25
  ASSERT_EQ(p_.Commands(), Cmds({1294}));
  // The dialog's commands reach the settings, never what runs.
  plugin_.SetSetting(&SettingsRecord::Action, 0u);
  const SettingsRecord edited = plugin_.EditSettings([](SettingsRecord& r) {
    r.Action = kActSound;
    r.ActionStopTime = 1;
    r.ExtTask.hProcess = 99;
  });
  EXPECT_EQ(edited.Action, uint32_t{kActVideo});
  EXPECT_GT(edited.ActionStopTime, 1u);
  EXPECT_EQ(edited.ExtTask.hProcess, 0u);
  plugin_.Close();
  EXPECT_EQ(p_.Commands(), Cmds({1294}));  // no stop posted
  EXPECT_NE(ReadIni().find("Action=4\r\n"), std::string::npos);
  EXPECT_NE(ReadIni().find("ExtProcessHandle=0\r\n"), std::string::npos);

  Plugin again(p_);
  again.Init(nullptr, 0, loc_);
  EXPECT_EQ(again.Settings().Action, uint32_t{kActVideo});
  again.Close();  // guard 0 in the new object: forgotten without a stop command
  EXPECT_EQ(p_.Commands(), Cmds({1294}));
  EXPECT_NE(ReadIni().find("Action=0\r\n"), std::string::npos);
}

TEST_F(PluginTest, CloseAfterTheGuardForgetsRecordingAndStopsSound) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=2\r\nSoundEnable=1\r\nDuration=100\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);
  Motion(2);
  Still(30);
  ASSERT_EQ(plugin_.ActionGuard(), 0);
  p_.sounds.clear();
  plugin_.Close();
  EXPECT_EQ(p_.Commands(), Cmds({1294}));
  ASSERT_EQ(p_.sounds.size(), 1u);
  EXPECT_TRUE(p_.sounds[0].stop);
  EXPECT_NE(ReadIni().find("Action=0\r\nActionStopTime=0\r\n"), std::string::npos);
}

TEST_F(PluginTest, StaleTaskHandlesFromTheFileAreNeverClosed) {
  WriteIni("ChannelIdx=5\r\nProcessEnable=1\r\nProcessFileName=alarm.exe\r\n"
           "ExtThreadHandle=3000000000\r\nExtProcessHandle=3000000004\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  EXPECT_EQ(plugin_.Settings().ExtTask.hProcess, 3000000004u);
  Still(30);
  Motion(2);
  EXPECT_EQ(p_.startedCommandLines.size(), 1u);
  EXPECT_TRUE(p_.exitQueries.empty());
  Motion(40);  // further alarms: the task we started is still running
  EXPECT_EQ(p_.startedCommandLines.size(), 1u);
  Still(1, 8);  // final stop closes our handles only
  plugin_.Close();
  for (uint32_t h : p_.closedHandles) {
    EXPECT_NE(h, 3000000000u);
    EXPECT_NE(h, 3000000004u);
  }
  EXPECT_EQ(p_.closedHandles.size(), 2u);
}

TEST_F(PluginTest, SelectingTheShownChannelNeedsNoWarmUp) {
  WriteIni("ChannelIdx=5\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  auto f = Frame(0x80);
  EXPECT_EQ(Feed(f, 6), 0);
  plugin_.SetSetting(&SettingsRecord::ChannelIdx, 6);  // the dialog picks the channel on show
  EXPECT_EQ(Feed(f, 6), 1);
  EXPECT_EQ(plugin_.warmUp(), 0);
}

TEST_F(PluginTest, NullPixelsDoNotEvenChangeTheChannel) {
  WriteIni("ChannelIdx=5\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  const ChannelRef ch{5, 0, "five"};
  EXPECT_EQ(plugin_.ProcessFrame(nullptr, &ch), 0);
  EXPECT_EQ(plugin_.currentChannel().id0, 0u);
  EXPECT_EQ(plugin_.warmUp(), 0);
  EXPECT_TRUE(plugin_.currentChannel().name.empty());
}

TEST_F(PluginTest, HostFrameCarriesTheChannelRecord) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  // The host's record: id0, id1, a word of its own, then the name in place.
  alignas(4) char record[64] = {0};
  const uint32_t ids[3] = {7, 9, 0xDEADBEEF};
  std::memcpy(record, ids, sizeof ids);
  std::strcpy(record + 12, "Seven");
  auto f = Frame(0x80);
  HostFrame hf{};
  hf.pixels = f.data();
  hf.channel = reinterpret_cast<ChannelInfo*>(record);
  EXPECT_EQ(plugin_.ProcessFrame(&hf), 0);
  EXPECT_EQ(plugin_.currentChannel().id0, 7u);
  EXPECT_EQ(plugin_.currentChannel().id1, 9u);
  EXPECT_EQ(plugin_.currentChannel().name, "Seven");
}

TEST_F(PluginTest, OpeningTheDialogEndsAPausedRecording) {
  WriteIni("ChannelIdx=5\r\nRecordEnable=1\r\nRecordType=2\r\nRecordPause=1\r\nDuration=1\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  Still(30);
  Motion(2);
  Still(40);
  ASSERT_EQ(p_.Commands(), Cmds({1294, 1302}));
  plugin_.StopAllActions();
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302, 1295}));
  EXPECT_EQ(plugin_.Settings().Action, 0u);
}

TEST_F(PluginTest, StartFindsTheInstanceWindows) {
  loc_.instance = "3";
  p_.topWindows[{"TMain", "Quelvar.Inst3"}] = 77;
  p_.topWindows[{"TVideoFrame", "Video window.Inst3"}] = 78;
  WriteIni("RecordEnable=1\r\n");
  ASSERT_NO_FATAL_FAILURE(Begin());
  EXPECT_EQ(plugin_.hostWindows().main, 77u);
  EXPECT_EQ(plugin_.hostWindows().video, 78u);
  Motion(3, 0);
  ASSERT_EQ(p_.Commands(), Cmds({1287}));
  EXPECT_EQ(p_.posts[0].window, 77u);
}

TEST_F(PluginTest, MaskLoadsDoNotOverlapFrames) {
  // Two masks of different sizes, loaded over and over while frames run.
  const std::string small = (dir_ / "small.msk").string();
  const std::string large = (dir_ / "large.msk").string();
  {
    MaskGrid g;
    g.Resize(4, 3);
    g.WatchAll();
    g.SaveMaskFile(small);
    g.Resize(40, 30);
    g.InvertMask();
    g.SaveMaskFile(large);
  }
  ASSERT_NO_FATAL_FAILURE(Begin());
  std::atomic<bool> stop{false};
  TestThread loader([&] {
    // At least one load, however late this thread starts on a busy machine.
    for (int i = 0; i < 200 && (i == 0 || !stop); ++i) EXPECT_TRUE(plugin_.LoadMask(i % 2 ? small : large));
  });
  int processed = 0;
  for (int i = 0; i < 300; ++i) {
    auto f = Frame(i % 2 ? 0x10 : 0xF0);
    const ChannelRef ch{0, 0, "x"};
    processed += plugin_.ProcessFrame(f.data(), &ch);
  }
  stop = true;
  loader.join();
  EXPECT_EQ(processed, 300);
  const int32_t cols = plugin_.Mask().columns;
  EXPECT_TRUE(cols == 4 || cols == 40);
}

}  // namespace
}  // namespace qlv
