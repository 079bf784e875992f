// The weekly schedule: its lines and night keys in the file, the modes of a week in local
// time, and a plug-in that follows the clock across off, night and day slots.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "overlay/small_font.h"
#include "pixel/frame_canvas.h"
#include "plugin/plugin.h"
#include "settings_cycle.h"
#include "settings/schedule.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;
using testing_support::FakePlatform;
using Cmds = std::vector<uintptr_t>;

// Monday 2026-12-07 at hh:mm:ss in local time, as a calendar time.
int64_t MondayAt(int day, int h, int m, int s) {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 7 + day;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&t));
}

class ScheduleFile : public ::testing::Test {
 protected:
  void SetUp() override { loc_ = testing_support::FreshSettingsFolder("qlv_schedule_", &dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Cycle(const std::string& body, SettingsRecord* read) {
    return testing_support::CycleSettingsFile(loc_, p_, body, read);
  }
  fs::path dir_;
  SettingsLocation loc_;
  FakePlatform p_;
};

TEST_F(ScheduleFile, DaysAndNightKeysAreWrittenOnlyWhenSetAndBadLinesAsFound) {
  const std::string mon = std::string(14, '2') + std::string(30, '1') + "0000";
  const std::string body = "ScheduleWed=012\r\nScheduleMon=" + mon + "\r\nScheduleTue=" + std::string(48, '1') +
                           "\r\nScheduleSun=" + std::string(47, '1') + "x\r\nNightSensitive=3\r\n"
                           "NightFrameCounter=26\r\nNightMinAlarmCells=-1\r\nNightSceneSeconds=600\r\nLightChangePercent=40\r\n";
  SettingsRecord r;
  std::string text = Cycle(body, &r);
  EXPECT_EQ(r.Schedule[0], mon);
  EXPECT_EQ(r.Schedule[1], std::string(48, '1'));
  EXPECT_EQ(r.Schedule[2], "012");
  EXPECT_EQ(r.Schedule[3], "");
  EXPECT_EQ(ModeAt(r.Schedule, 0, 0), GuardMode::Night);
  EXPECT_EQ(ModeAt(r.Schedule, 0, 47), GuardMode::Off);
  EXPECT_EQ(ModeAt(r.Schedule, 2, 1), GuardMode::Day);  // a bad line reads as all on
  EXPECT_EQ(ModeAt(r.Schedule, 6, 47), GuardMode::Day);
  EXPECT_EQ(r.NightSensitive, 3u);
  EXPECT_EQ(r.NightFrameCounter, kAsByDay);  // out of range
  EXPECT_EQ(r.NightMinAlarmCells, kAsByDay);
  EXPECT_EQ(r.NightSceneSeconds, 600u);
  EXPECT_EQ(r.NightMuteBusyPercent, kAsByDay);
  // After the guards, in week order; the all-on Tuesday and the unset night keys are left out.
  const std::string tail = "ExtProcessHandle=0\r\nLightChangePercent=40\r\nScheduleMon=" + mon +
                           "\r\nScheduleWed=012\r\nScheduleSun=" + std::string(47, '1') +
                           "x\r\nNightSensitive=3\r\nNightSceneSeconds=600\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

  // Saved again unchanged; and a file without them stays without them.
  EXPECT_EQ(Cycle(text.substr(std::string("[PluginSettings]\r\n").size()), &r), text);
  text = Cycle("", &r);
  EXPECT_EQ(text.find("Schedule"), std::string::npos);
  EXPECT_EQ(text.find("Night"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 20), "ExtProcessHandle=0\r\n");
}

TEST(ScheduleWeek, ModesChangesAndPaintingAcrossMidnightAndTheWeekEnd) {
  ScheduleLines week;
  // Weeknights 22:00 to 07:00 at night; off from Sunday 23:30 to Monday 00:30.
  for (int d = 0; d < 5; ++d) {
    PaintSlots(&week[d], 47, 44, GuardMode::Night);
    PaintSlots(&week[(d + 1) % 7], 0, 13, GuardMode::Night);
  }
  PaintSlots(&week[6], 47, 47, GuardMode::Off);
  PaintSlots(&week[0], 0, 0, GuardMode::Off);
  EXPECT_EQ(week[0], "0" + std::string(43, '1') + "2222");
  EXPECT_EQ(week[5], std::string(14, '2') + std::string(34, '1'));
  EXPECT_FALSE(ScheduleAllOn(week));

  // Every half hour of the week, read from the local time of its middle.
  auto expected = [](int d, int slot) {
    if ((d == 6 && slot == 47) || (d == 0 && slot == 0)) return GuardMode::Off;
    if (d < 5 && slot >= 44) return GuardMode::Night;
    if (d >= 1 && d <= 5 && slot < 14) return GuardMode::Night;
    return GuardMode::Day;
  };
  int switches = 0;
  GuardMode last = GuardMode::Off;
  for (int d = 0; d < 7; ++d)
    for (int slot = 0; slot < 48; ++slot) {
      std::tm local{};
      const int64_t t = MondayAt(d, slot / 2, slot % 2 * 30 + 29, 59);
      ASSERT_TRUE(LocalTimeOf(t, &local));
      ASSERT_EQ(ScheduleDayOf(local), d);
      ASSERT_EQ(ScheduleSlotOf(local), slot);
      ASSERT_EQ(ModeAt(week, local), expected(d, slot)) << d << " " << slot;
      switches += ModeAt(week, local) != last;
      last = ModeAt(week, local);
    }
  EXPECT_EQ(switches, 1 + 2 * 5 + 1);  // Monday's first day slot, each weeknight in and out, Sunday's off

  ScheduleChange c = NextChange(week, 0, 20);  // Monday 10:00: night at 22:00
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.day, 0);
  EXPECT_EQ(c.slot, 44);
  EXPECT_EQ(c.mode, GuardMode::Night);
  c = NextChange(week, 4, 45);  // Friday night runs into Saturday 07:00
  EXPECT_EQ(c.day, 5);
  EXPECT_EQ(c.slot, 14);
  EXPECT_EQ(c.mode, GuardMode::Day);
  c = NextChange(week, 6, 47);  // off across the week's end
  EXPECT_EQ(c.day, 0);
  EXPECT_EQ(c.slot, 1);
  EXPECT_EQ(c.mode, GuardMode::Day);
  EXPECT_FALSE(NextChange(ScheduleLines{}, 3, 9).found);

  // Painted back to all on, a day is absent again; a bad line is painted as all on.
  PaintSlots(&week[6], 47, 47, GuardMode::Day);
  EXPECT_EQ(week[6], "");
  std::string bad = "21";
  PaintSlots(&bad, 1, 0, GuardMode::Off);
  EXPECT_EQ(bad, "00" + std::string(46, '1'));
  EXPECT_EQ(SlotMode("0", 0), GuardMode::Day);
}

TEST(ScheduleNight, SetValuesReplaceTheDaysAndTheRestHoldAsByDay) {
  SettingsRecord s;
  s.Sensitive = 10;
  s.MinAlarmCells = 2;
  s.NightSensitive = 4;
  s.NightFrameCounter = 3;
  s.NightMinAlarmCells = 433;  // more than the grid has
  s.NightSceneSeconds = 0;
  ApplyNightSettings(&s, 432);
  EXPECT_EQ(s.Sensitive, 4);
  EXPECT_EQ(s.FrameCounter, 3);
  EXPECT_EQ(s.MinAlarmCells, 2u);
  EXPECT_EQ(s.LightChangePercent, 0u);
  EXPECT_EQ(s.SceneSeconds, 0u);
  s.NightMinAlarmCells = 432;
  s.NightLightChangePercent = 50;
  ApplyNightSettings(&s, 432);
  EXPECT_EQ(s.MinAlarmCells, 432u);
  EXPECT_EQ(s.LightChangePercent, 50u);
}

// A plug-in on a 64 x 48 YUY2 stream with nothing drawn but the schedule's mark, so that a
// frame's bytes are the input's plus exactly that mark.
class ScheduleFrames : public ::testing::Test {
 protected:
  static constexpr int32_t kW = 64, kH = 48;
  void SetUp() override {
    loc_ = testing_support::FreshSettingsFolder("qlv_schedule_frames_", &dir_);
    p_.topWindows[{"TMain", "Quelvar"}] = 42;
    canvas_.SetGeometry(kW, kH, PixelFormatYUV422);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Begin(const std::string& body, int32_t recording = 0) {
    {
      std::ofstream f(loc_.fullPath, std::ios::binary);
      f << "[PluginSettings]\r\nChannelIdx=5\r\nRecordEnable=1\r\nShowGrid=0\r\nShowMask=0\r\nShowTime=0\r\n" << body;
    }
    plugin_.Init(nullptr, 0, loc_);
    ASSERT_EQ(plugin_.Start(StreamFormat{kW, kH, 0, PixelFormatYUV422, 0, recording}), 1);
    plugin_.WatchAllCells();
    for (int i = 0; i < 31; ++i) Feed(0x80);  // the warm-up, and a reference
  }
  std::vector<uint8_t> Feed(uint8_t value) {
    std::vector<uint8_t> frame(static_cast<size_t>(kW) * kH * 2, value);
    p_.tick += 40;
    const ChannelRef ch{5, 0, "Five"};
    plugin_.ProcessFrame(frame.data(), &ch);
    return frame;
  }
  // The input frame of `value` with `mark` drawn where the plug-in draws it (TextPos 3:
  // the caption at the bottom left, the mark at the top right).
  std::vector<uint8_t> Marked(uint8_t value, const std::u16string& mark) const {
    std::vector<uint8_t> frame(static_cast<size_t>(kW) * kH * 2, value);
    if (!mark.empty()) DrawSmallTextAt(frame.data(), canvas_, mark, Corner::TopRight, 0x0000FFFF);
    return frame;
  }
  fs::path dir_;
  SettingsLocation loc_;
  FakePlatform p_;
  Plugin plugin_{p_};
  FrameCanvas canvas_;
};

TEST_F(ScheduleFrames, OffStartsNothingNightTakesItsSensitivityAndDayIsAsWithout) {
  // Monday: 06:30 off, 07:00 night at sensitivity 0, 07:30 on as by day (sensitivity 10).
  std::string mon(48, '1');
  mon[13] = '0';
  mon[14] = '2';
  p_.now = MondayAt(0, 6, 59, 58);
  ASSERT_NO_FATAL_FAILURE(Begin("ScheduleMon=" + mon + "\r\nNightSensitive=0\r\n"));
  EXPECT_EQ(Feed(0xF0), Marked(0xF0, u"OFF"));  // a change of 112: an alarm, and nothing done
  EXPECT_EQ(Feed(0x80), Marked(0x80, u"OFF"));
  EXPECT_TRUE(p_.Commands().empty());

  p_.now = MondayAt(0, 7, 0, 0);  // the next second: night
  plugin_.SetScheduleOffWord(u"ВЫКЛ");
  const std::u16string moon(1, kMoonGlyph);
  EXPECT_EQ(Feed(0x88), Marked(0x88, moon));  // a change of 8 is below the night's 16
  EXPECT_EQ(Feed(0x80), Marked(0x80, moon));
  EXPECT_TRUE(p_.Commands().empty());
  EXPECT_EQ(plugin_.ScheduleSnapshot().mode, GuardMode::Night);
  Feed(0xF0);  // but a big one starts the recording
  EXPECT_EQ(p_.Commands(), Cmds({1287}));
  for (int i = 0; i < 30; ++i) Feed(0x80);  // past the lock-out

  p_.now = MondayAt(0, 7, 30, 0);  // day: the same change of 8 is an alarm again, and no mark
  EXPECT_EQ(Feed(0x88), Marked(0x88, u""));
  EXPECT_EQ(p_.Commands(), Cmds({1287, 1287}));

  // Back to off by an edit: the mode follows at the next frame, in the user's word.
  plugin_.EditSchedule([](SettingsRecord& r) { PaintSlots(&r.Schedule[0], 15, 15, GuardMode::Off); });
  EXPECT_EQ(Feed(0x80), Marked(0x80, u"ВЫКЛ"));
  plugin_.Close();
}

TEST_F(ScheduleFrames, RecordedFramesNeverCarryTheMark) {
  p_.now = MondayAt(0, 12, 0, 0);
  ASSERT_NO_FATAL_FAILURE(Begin("ScheduleMon=" + std::string(48, '0') + "\r\n", 1));
  EXPECT_EQ(Feed(0x80), Marked(0x80, u""));
  EXPECT_EQ(plugin_.ScheduleSnapshot().mode, GuardMode::Off);
  plugin_.Close();
}

}  // namespace
}  // namespace qlv
