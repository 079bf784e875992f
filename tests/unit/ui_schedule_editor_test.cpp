// The schedule window without windows: where a point of the grid control falls, what a
// press or a drag paints, the two fill buttons, the night fields' ranges, and the line
// saying what holds now, read with the English patterns of the string table.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "res/resource.h"
#include "strings_en_rc.h"
#include "ui/schedule_editor.h"

namespace qlv {
namespace {

// The English string table's entry `name` (its texts are ASCII).
std::wstring RcText(const char* name) {
  const std::string script = kStringsEnRc;
  const std::string key = std::string("\n    ") + name + " \"";
  const size_t at = script.find(key);
  if (at == std::string::npos) return std::wstring();
  const size_t end = script.find('"', at + key.size());
  const std::string text = script.substr(at + key.size(), end - at - key.size());
  return std::wstring(text.begin(), text.end());
}

#define QLV_ENTRY(name) {name, RcText(#name)}
const std::map<uint32_t, std::wstring> kEnglish = {
    QLV_ENTRY(IDS_SCHEDULE_MON),     QLV_ENTRY(IDS_SCHEDULE_TUE),     QLV_ENTRY(IDS_SCHEDULE_WED),
    QLV_ENTRY(IDS_SCHEDULE_THU),     QLV_ENTRY(IDS_SCHEDULE_FRI),     QLV_ENTRY(IDS_SCHEDULE_SAT),
    QLV_ENTRY(IDS_SCHEDULE_SUN),     QLV_ENTRY(IDS_SCHEDULE_NOW_OFF), QLV_ENTRY(IDS_SCHEDULE_NOW_DAY),
    QLV_ENTRY(IDS_SCHEDULE_NOW_NIGHT), QLV_ENTRY(IDS_SCHEDULE_UNTIL),
};
#undef QLV_ENTRY

std::wstring English(uint32_t id) {
  const auto it = kEnglish.find(id);
  return it == kEnglish.end() ? L"?" : it->second;
}

std::tm LocalAt(int wday, int hour, int minute) {
  std::tm t = {};
  t.tm_wday = wday;  // 0: Sunday, as the C library counts
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

std::string Line(const char* halfHours) { return std::string(halfHours); }

TEST(ScheduleEditorTest, PointsMapToSlotsAndADragPaintsTheRectangleItSpans) {
  // 474 x 136 pixels with a 30-pixel column of day names and a 15-pixel row of hours:
  // 9-pixel half hours, 17-pixel days, one pixel left for the closing lines.
  const GridLayout g = FitGrid(474, 136, 30, 15);
  EXPECT_EQ(g.cellWidth, 9);
  EXPECT_EQ(g.cellHeight, 17);
  EXPECT_EQ(g.right(), 30 + 48 * 9);
  EXPECT_EQ(g.bottom(), 15 + 7 * 17);
  EXPECT_TRUE(InsideGrid(g, 30, 15));
  EXPECT_FALSE(InsideGrid(g, 29, 20)) << "a day's name";
  EXPECT_FALSE(InsideGrid(g, 40, 14)) << "an hour's label";
  EXPECT_FALSE(InsideGrid(g, g.right(), 20));
  EXPECT_TRUE(SlotAt(g, 30, 15) == (SlotPoint{0, 0}));
  EXPECT_TRUE(SlotAt(g, 30 + 9 * 44 + 8, 15 + 17 * 4 + 16) == (SlotPoint{4, 44})) << "Friday 22:00, its last pixel";
  EXPECT_TRUE(SlotAt(g, 30 + 9 * 45, 15 + 17 * 5) == (SlotPoint{5, 45}));
  // A drag past the edges paints up to them.
  EXPECT_TRUE(SlotAt(g, -50, -50) == (SlotPoint{0, 0}));
  EXPECT_TRUE(SlotAt(g, 5000, 5000) == (SlotPoint{6, 47}));
  // Tiny controls still give cells of a pixel.
  EXPECT_EQ(FitGrid(10, 10, 30, 15).cellWidth, 1);

  // Weekday nights: Monday to Friday 22:00-24:00 and Tuesday to Saturday 00:00-07:00 at
  // night, dragged in both directions; weekend working hours off.
  ScheduleLines week;
  week = PaintRect(week, SlotAt(g, 30 + 9 * 44, 20), SlotAt(g, 5000, 15 + 17 * 4 + 1), GuardMode::Night);
  week = PaintRect(week, SlotPoint{5, 13}, SlotPoint{1, 0}, GuardMode::Night);
  week = PaintRect(week, SlotPoint{5, 18}, SlotPoint{6, 35}, GuardMode::Off);
  const std::string night22 = Line("111111111111111111111111111111111111111111112222");
  const std::string night07 = Line("222222222222221111111111111111111111111111111111");
  const std::string both = Line("222222222222221111111111111111111111111111112222");
  const std::string sat = Line("222222222222221111000000000000000000111111111111");
  const std::string sun = Line("111111111111111111000000000000000000111111111111");
  EXPECT_EQ(week, (ScheduleLines{night22, both, both, both, both, sat, sun}));
  EXPECT_EQ(NowStateAt(week, LocalAt(1, 12, 0)).mode, GuardMode::Day);

  // A press paints one slot; the day brush over the last night slot of a line leaves it as it was.
  ScheduleLines one = PaintRect(ScheduleLines{}, SlotPoint{2, 47}, SlotPoint{2, 47}, GuardMode::Night);
  EXPECT_EQ(one[2], Line("111111111111111111111111111111111111111111111112"));
  EXPECT_EQ(PaintRect(one, SlotPoint{2, 47}, SlotPoint{2, 47}, GuardMode::Day), ScheduleLines{})
      << "a day all on is no line at all";

  // "Clear to on" keeps the nights; "All on" clears the week.
  EXPECT_EQ(OffSlotsOn(week), (ScheduleLines{night22, both, both, both, both, night07, ""}));
  EXPECT_EQ(AllOn(), ScheduleLines{});
  // A line that is no schedule line reads as all on, and stays as it was found.
  ScheduleLines odd;
  odd[3] = "garbage";
  EXPECT_EQ(OffSlotsOn(odd)[3], "garbage");
}

TEST(ScheduleEditorTest, TheNowLineSaysTheModeAndWhenItChanges) {
  ScheduleLines week;
  for (int d = 0; d < 5; ++d) PaintSlots(&week[static_cast<size_t>(d)], 44, 47, GuardMode::Night);
  for (int d = 1; d < 6; ++d) PaintSlots(&week[static_cast<size_t>(d)], 0, 13, GuardMode::Night);
  PaintSlots(&week[6], 0, 47, GuardMode::Off);
  struct Case {
    int wday, hour, minute;
    const wchar_t* text;
  };
  const Case cases[] = {
      {2, 23, 10, L"Now: on, night settings, until 07:00"},  // Tuesday night
      {3, 6, 59, L"Now: on, night settings, until 07:00"},
      {3, 7, 0, L"Now: on, day settings, until 22:00"},
      {6, 7, 0, L"Now: on, day settings, until 00:00"},       // Saturday morning: Sunday is off
      {0, 0, 0, L"Now: off, until Mon 00:00"},                // 24 hours ahead: the day is named
      {0, 12, 30, L"Now: off, until 00:00"},
      {5, 22, 0, L"Now: on, night settings, until 07:00"},    // Friday night into Saturday
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.wday << " " << c.hour << ":" << c.minute);
    EXPECT_EQ(NowText(NowStateAt(week, LocalAt(c.wday, c.hour, c.minute)), English), c.text);
  }
  // Monday 21:59 to Monday 22:00 is a minute; Monday 22:00 to Tuesday 22:00 a whole day.
  const NowState monday = NowStateAt(week, LocalAt(1, 21, 59));
  EXPECT_EQ(monday.mode, GuardMode::Day);
  EXPECT_TRUE(monday.changes && monday.day == 0 && monday.slot == 44 && !monday.showDay);
  // A week that changes nothing says the mode alone, whatever its mode.
  EXPECT_EQ(NowText(NowStateAt(ScheduleLines{}, LocalAt(3, 3, 3)), English), L"Now: on, day settings");
  ScheduleLines off;
  for (std::string& l : off) l.assign(48, '0');
  EXPECT_EQ(NowText(NowStateAt(off, LocalAt(3, 3, 3)), English), L"Now: off");
  EXPECT_EQ(SlotTime(0), L"00:00");
  EXPECT_EQ(SlotTime(15), L"07:30");
  EXPECT_EQ(SlotTime(47), L"23:30");
}

TEST(ScheduleEditorTest, NightFieldsTakeTheNightRangesAndStartFromTheDaysValue) {
  ASSERT_EQ(sizeof kNightFields / sizeof kNightFields[0], kNightSettingsCount);
  const struct {
    int32_t min, max;
  } ranges[] = {{0, 16}, {1, 25}, {1, 432}, {0, 100}, {0, 100}, {0, 600}};
  for (size_t i = 0; i < kNightSettingsCount; ++i) {
    SCOPED_TRACE(kNightSettings[i].key);
    const NumberRange r = NightRange(i, 432);
    EXPECT_EQ(r.min, ranges[i].min);
    EXPECT_EQ(r.max, ranges[i].max);
  }
  EXPECT_EQ(kNightFields[0].messageId, static_cast<uint32_t>(IDS_MSG_SENSITIVITY_RANGE));
  EXPECT_EQ(kNightFields[2].editId, IDC_NIGHT_MIN_ALARM_CELLS_EDIT);
  // A grid without cells bounds nothing: the table's own end holds.
  EXPECT_EQ(NightRange(2, 0).max, static_cast<int32_t>(kMaxCells));
  // Cleared "as by day": the day's value, brought into the night's range.
  EXPECT_EQ(NightStart(0, 10, 432), 10u);
  EXPECT_EQ(NightStart(2, 500, 432), 432u);
  EXPECT_EQ(NightStart(1, 0, 432), 1u);
}

}  // namespace
}  // namespace qlv
