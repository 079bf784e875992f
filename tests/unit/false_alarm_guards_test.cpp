// The false-alarm guards across scripted frames: the light-change hold, the muting of
// ever-busy cells and the minimum number of alarmed cells; and their keys in the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <vector>

#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"
#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "pixel_test_util.h"
#include "plugin/plugin.h"
#include "settings_cycle.h"

namespace qlv {
namespace {

// An 8 x 4 RGB frame on a 4 x 2 grid: every cell 2 x 2 pixels, every cell watched.
class Guards : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas_ = testutil::Canvas(8, 4, PixelFormatRGB24, kernels::KernelLevel::Reference);
    detector_.SetKernelLevel(kernels::KernelLevel::Reference);
    ASSERT_TRUE(detector_.ResizeSamples(8, 4));
    ASSERT_TRUE(grid_.Resize(4, 2));
    grid_.WatchAll();
    frame_.assign(canvas_.FrameBytes(), 100);
    s_.FrameCounter = 1;
    s_.Sensitive = 10;  // a change of more than 6 counts
  }
  void Paint(int32_t cell, uint8_t v) {
    const int32_t j = cell % 4, i = cell / 4;
    for (int y = 2 * i; y < 2 * i + 2; ++y)
      for (int x = 2 * j; x < 2 * j + 2; ++x) {
        uint8_t* p = canvas_.PixelAddress(frame_.data(), x, y);
        p[0] = p[1] = p[2] = v;
      }
  }
  // One frame in which the cells listed flip between two greys far apart.
  int Frame(std::initializer_list<int32_t> moving) {
    for (int32_t cell : moving) Paint(cell, canvas_.PixelAddress(frame_.data(), 2 * (cell % 4), 2 * (cell / 4))[0] == 100 ? 200 : 100);
    return detector_.DetectMotion(frame_.data(), canvas_, grid_, s_);
  }
  // The detector's memories, caught up with the grid's restarts as the next frame would.
  const DetectorState& State() {
    EXPECT_TRUE(detector_.state().Follow(grid_));
    return detector_.state();
  }
  uint32_t History(int32_t cell) { return State().history()[cell]; }

  FrameCanvas canvas_;
  MotionDetector detector_;
  MaskGrid grid_;
  SettingsRecord s_;
  std::vector<uint8_t> frame_;
};

TEST_F(Guards, LightChangeHoldsItsFramesRestartsInsideAHoldAndEndsAtARestart) {
  s_.LightChangePercent = 50;
  s_.LightChangeFrames = 3;
  EXPECT_EQ(Frame({}), 0);            // first after the restart: at rest
  EXPECT_EQ(Frame({0, 1, 2}), 1);     // 3 of 8 is below half: an alarm as ever
  EXPECT_EQ(History(0), 1u);
  const uint32_t before = State().reference()[3];
  EXPECT_EQ(Frame({0, 1, 2, 3}), 0);  // 4 of 8: a light change, held
  EXPECT_EQ(History(0), 1u);          // no history word moved...
  EXPECT_EQ(History(3), 0u);
  EXPECT_NE(State().reference()[3], before);  // ...but every reference did
  EXPECT_EQ(Frame({5}), 0);           // held frames 2 and 3 of 3
  EXPECT_EQ(Frame({5}), 0);
  EXPECT_EQ(History(5), 0u);
  EXPECT_EQ(Frame({5}), 1);           // free again
  EXPECT_EQ(History(5), 1u);

  // A light change inside a hold starts it again.
  EXPECT_EQ(Frame({0, 1, 2, 3, 4, 5, 6, 7}), 0);
  EXPECT_EQ(Frame({6}), 0);
  EXPECT_EQ(Frame({0, 1, 2, 3}), 0);
  EXPECT_EQ(Frame({6}), 0);
  EXPECT_EQ(Frame({6}), 0);
  EXPECT_EQ(Frame({6}), 1);

  // A restart (the channel came back) ends a hold at once.
  EXPECT_EQ(Frame({0, 1, 2, 3}), 0);
  grid_.RestartCells();
  EXPECT_EQ(State().hold(), 0u);
  EXPECT_EQ(Frame({}), 0);   // at rest after the restart
  EXPECT_EQ(Frame({7}), 1);  // not held

  // Off: the same frames alarm.
  s_.LightChangePercent = 0;
  EXPECT_EQ(Frame({0, 1, 2, 3, 4, 5, 6, 7}), 1);
}

TEST_F(Guards, ABusyCellIsMutedAboveItsShareAndHeardAgainAtHalfOfIt) {
  s_.MuteBusyPercent = 10;
  s_.AlarmOpacity = 100;
  const uint32_t m = FullMask(1);
  EXPECT_EQ(Frame({}), 0);  // frame 1: its bit 0 counts
  // Frames 2..11 change: ten 1s, not more than 10, still heard.
  for (int f = 2; f <= 11; ++f) ASSERT_EQ(Frame({2}), 1) << f;
  EXPECT_EQ(State().busyCount()[2], 10);
  EXPECT_EQ(detector_.state().StateIn(grid_, 2, m), CellState::Alarm);
  // Frame 12: eleven 1s, muted at once; its history gets 0 and it shows as not watched.
  EXPECT_EQ(Frame({2}), 0);
  EXPECT_EQ(State().muted()[2], 1);
  EXPECT_EQ(History(2), 0u);
  EXPECT_EQ(detector_.state().StateIn(grid_, 2, m), CellState::Inactive);
  // Its real bits still enter the record while it is muted; another cell is heard.
  for (int f = 13; f <= 15; ++f) ASSERT_EQ(Frame({2}), 0) << f;
  EXPECT_EQ(State().busyCount()[2], 14);
  EXPECT_EQ(Frame({2, 6}), 1);  // frame 16: cell 6 alarms, cell 2 is muted (15 ones)
  // At rest from frame 17: the 1s of frames 2..16 leave at frames 102..116. Unmuted when at
  // most 5 remain, that is when the tenth has left: frame 111.
  for (int f = 17; f <= 110; ++f) ASSERT_EQ(Frame({}), 0) << f;
  EXPECT_EQ(State().busyCount()[2], 6);
  EXPECT_EQ(State().muted()[2], 1);
  EXPECT_EQ(Frame({}), 0);
  EXPECT_EQ(State().busyCount()[2], 5);
  EXPECT_EQ(State().muted()[2], 0);
  EXPECT_EQ(Frame({2}), 1);  // heard again

  // Unwatching and watching a cell clears its record; a restart clears every one.
  for (int f = 0; f < 20; ++f) Frame({1, 2});
  EXPECT_EQ(State().muted()[1], 1);
  EXPECT_EQ(State().muted()[2], 1);
  grid_.ToggleCell(1, 0);
  grid_.ToggleCell(1, 0);
  EXPECT_EQ(State().busyCount()[1], 0);
  EXPECT_EQ(State().muted()[1], 0);
  EXPECT_EQ(State().muted()[2], 1);
  grid_.RestartCells();
  EXPECT_EQ(State().busyCount()[2], 0);
  EXPECT_EQ(State().muted()[2], 0);

  // Off: the record is kept all the same, but nobody is muted.
  for (int f = 0; f < 20; ++f) Frame({2});
  EXPECT_EQ(State().muted()[2], 1);
  s_.MuteBusyPercent = 0;
  EXPECT_EQ(Frame({2}), 1);
  EXPECT_EQ(State().muted()[2], 0);
  EXPECT_EQ(State().busyCount()[2], 20);
}

TEST_F(Guards, MinimumAlarmedCellsCountsWatchedCellsInAlarmAfterTheFrame) {
  s_.MinAlarmCells = 3;
  s_.FrameCounter = 2;
  EXPECT_EQ(Frame({}), 0);
  EXPECT_EQ(Frame({0, 1}), 0);     // Danger only
  EXPECT_EQ(Frame({0, 1, 2}), 0);  // two in Alarm, cell 2 in Danger
  EXPECT_EQ(Frame({0, 1, 2}), 1);  // cells 0 and 1 stay in Alarm, cell 2 reaches it
  grid_.ToggleCell(2, 0);          // cell 2 no longer watched: two left
  EXPECT_EQ(Frame({0, 1, 2}), 0);
  s_.MinAlarmCells = 1;
  EXPECT_EQ(Frame({0}), 1);
}

// Areas are drawn whether or not the frame was compared: between an edit and the next
// compared frame, the states drawn are those of the cells restarted, with nothing muted there.
TEST_F(Guards, StatesDrawnAfterAnEditAreThoseOfTheRestartedCellsBeforeAnyFrame) {
  s_.MuteBusyPercent = 10;
  s_.AlarmOpacity = 100;
  s_.InactiveOpacity = 30;
  s_.DangerOpacity = 70;
  const uint32_t m = FullMask(1);
  for (int f = 0; f < 14; ++f) Frame({1, 2, 5});
  Frame({5, 6});
  ASSERT_EQ(detector_.state().StateIn(grid_, 1, m), CellState::Inactive);  // muted
  ASSERT_EQ(detector_.state().StateIn(grid_, 6, m), CellState::Alarm);
  ASSERT_TRUE(detector_.state().MutedIn(grid_, 2));
  // Each edit, drawn at once and again once the state has caught up: the same bytes.
  const std::function<void()> edits[] = {
      [&] { grid_.ToggleCell(1, 0), grid_.ToggleCell(1, 0); },  // off and on: restarted
      [&] { grid_.ToggleCell(2, 0); },                          // off: kept, drawn not watched
      [&] { grid_.InvertMask(); },
      [&] { grid_.WatchAll(); },
      [&] { grid_.RestartCells(); },
  };
  for (const auto& edit : edits) {
    for (int f = 0; f < 14; ++f) Frame({1, 2, 5});
    Frame({5, 6});
    edit();
    std::vector<uint8_t> before = frame_, after = frame_;
    DrawStateAreas(before.data(), canvas_, grid_, detector_.state(), s_);
    std::vector<CellState> states;
    for (int32_t c = 0; c < 8; ++c) states.push_back(detector_.state().StateIn(grid_, c, m));
    ASSERT_TRUE(detector_.state().Follow(grid_));
    DrawStateAreas(after.data(), canvas_, grid_, detector_.state(), s_);
    EXPECT_EQ(before, after);
    for (int32_t c = 0; c < 8; ++c) EXPECT_EQ(states[c], detector_.state().StateIn(grid_, c, m)) << c;
  }
  // The last edit restarted every cell: all at rest, none muted, none in Alarm.
  for (int32_t c = 0; c < 8; ++c) {
    EXPECT_FALSE(detector_.state().MutedIn(grid_, c));
    EXPECT_EQ(detector_.state().StateIn(grid_, c, m), grid_.watch()[c] ? CellState::Active : CellState::Inactive);
  }
  // Off and on restarts cell 1 before any frame; cell 2, only switched off, keeps its record.
  for (int f = 0; f < 14; ++f) Frame({1, 2});
  ASSERT_TRUE(detector_.state().MutedIn(grid_, 1));
  grid_.ToggleCell(1, 0), grid_.ToggleCell(1, 0), grid_.ToggleCell(2, 0);
  EXPECT_FALSE(detector_.state().MutedIn(grid_, 1));
  EXPECT_EQ(detector_.state().StateIn(grid_, 1, m), CellState::Active);
  EXPECT_TRUE(detector_.state().MutedIn(grid_, 2));
  EXPECT_EQ(detector_.state().StateIn(grid_, 2, m), CellState::Inactive);
}

// The keys in the settings file through the plug-in's own Init and Close.
class GuardKeys : public ::testing::Test {
 protected:
  void SetUp() override { loc_ = testing_support::FreshSettingsFolder("qlv_guards_", &dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Cycle(const std::string& body, SettingsRecord* read) {
    return testing_support::CycleSettingsFile(loc_, p_, body, read);
  }
  std::filesystem::path dir_;
  SettingsLocation loc_;
  testing_support::FakePlatform p_;
};

TEST_F(GuardKeys, WrittenAfterTheTableOnlyWhenNotDefaultAndReadAsDefaultOutOfRange) {
  SettingsRecord r;
  std::string text = Cycle("LightChangePercent=40\r\nLightChangeFrames=250\r\nMuteBusyPercent=100\r\nMinAlarmCells=432\r\n", &r);
  EXPECT_EQ(r.LightChangePercent, 40u);
  EXPECT_EQ(r.LightChangeFrames, 250u);
  EXPECT_EQ(r.MuteBusyPercent, 100u);
  EXPECT_EQ(r.MinAlarmCells, 432u);  // every cell of the default 24 x 18 grid
  const std::string tail =
      "ExtProcessHandle=0\r\nLightChangePercent=40\r\nLightChangeFrames=250\r\nMuteBusyPercent=100\r\nMinAlarmCells=432\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

  // Out of range, negative, more cells than the grid has: the defaults, and then no key at all.
  text = Cycle("LightChangePercent=101\r\nLightChangeFrames=0\r\nMuteBusyPercent=-1\r\nMinAlarmCells=433\r\n", &r);
  EXPECT_EQ(r.LightChangePercent, 0u);
  EXPECT_EQ(r.LightChangeFrames, 10u);
  EXPECT_EQ(r.MuteBusyPercent, 0u);
  EXPECT_EQ(r.MinAlarmCells, 1u);
  EXPECT_EQ(text.find("LightChange"), std::string::npos);
  EXPECT_EQ(text.find("MuteBusy"), std::string::npos);
  EXPECT_EQ(text.find("MinAlarm"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 20), "ExtProcessHandle=0\r\n");

  // Read as the table reads its unsigned values: digits up to the first non-digit, modulo 2^32.
  text = Cycle("LightChangeFrames=lots\r\nMinAlarmCells=-3\r\nLightChangePercent= 7x\r\nMuteBusyPercent=4294967306\r\n", &r);
  EXPECT_EQ(r.LightChangeFrames, 10u);
  EXPECT_EQ(r.MinAlarmCells, 1u);
  EXPECT_EQ(r.LightChangePercent, 7u);
  EXPECT_EQ(r.MuteBusyPercent, 10u);
  EXPECT_NE(text.find("\r\nLightChangePercent=7\r\nMuteBusyPercent=10\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qlv
