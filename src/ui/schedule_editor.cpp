#include "ui/schedule_editor.h"

#include <algorithm>

#include "res/resource.h"
#include "ui/tuning_report.h"

namespace qlv {

GridLayout FitGrid(int32_t width, int32_t height, int32_t labelWidth, int32_t labelHeight) {
  GridLayout g;
  g.left = labelWidth;
  g.top = labelHeight;
  // One pixel is kept for the closing line on the right and at the bottom.
  g.cellWidth = std::max<int32_t>(1, (width - labelWidth - 1) / kScheduleSlots);
  g.cellHeight = std::max<int32_t>(1, (height - labelHeight - 1) / kScheduleDays);
  return g;
}

bool InsideGrid(const GridLayout& grid, int32_t x, int32_t y) {
  return x >= grid.left && x < grid.right() && y >= grid.top && y < grid.bottom();
}

SlotPoint SlotAt(const GridLayout& grid, int32_t x, int32_t y) {
  x = std::min(std::max(x, grid.left), grid.right() - 1);
  y = std::min(std::max(y, grid.top), grid.bottom() - 1);
  return SlotPoint{(y - grid.top) / grid.cellHeight, (x - grid.left) / grid.cellWidth};
}

ScheduleLines PaintRect(const ScheduleLines& base, SlotPoint from, SlotPoint to, GuardMode mode) {
  ScheduleLines lines = base;
  const int32_t first = std::max(std::min(from.day, to.day), 0);
  const int32_t last = std::min(std::max(from.day, to.day), kScheduleDays - 1);
  for (int32_t d = first; d <= last; ++d) PaintSlots(&lines[static_cast<size_t>(d)], from.slot, to.slot, mode);
  return lines;
}

ScheduleLines AllOn() { return ScheduleLines{}; }

ScheduleLines OffSlotsOn(const ScheduleLines& lines) {
  ScheduleLines out = lines;
  for (std::string& line : out) {
    if (!IsScheduleLine(line)) continue;  // reads as all on already, and stays as found
    std::replace(line.begin(), line.end(), '0', '1');
    if (line.find_first_not_of('1') == std::string::npos) line.clear();
  }
  return out;
}

namespace {
uint32_t DaySensitive(SettingsAccess& s) { return static_cast<uint32_t>(s.Get(&SettingsRecord::Sensitive)); }
uint32_t DayFrameCounter(SettingsAccess& s) { return static_cast<uint32_t>(s.Get(&SettingsRecord::FrameCounter)); }
uint32_t DayMinAlarmCells(SettingsAccess& s) { return s.Get(&SettingsRecord::MinAlarmCells); }
uint32_t DayLightChange(SettingsAccess& s) { return s.Get(&SettingsRecord::LightChangePercent); }
uint32_t DayMuteBusy(SettingsAccess& s) { return s.Get(&SettingsRecord::MuteBusyPercent); }
uint32_t DayScene(SettingsAccess& s) { return s.Get(&SettingsRecord::SceneSeconds); }
}  // namespace

const NightField kNightFields[kNightSettingsCount] = {
    {IDC_NIGHT_SENSITIVE_EDIT, IDC_NIGHT_SENSITIVE_SPIN, IDC_NIGHT_SENSITIVE_DAY, IDS_MSG_SENSITIVITY_RANGE, false,
     DaySensitive},
    {IDC_NIGHT_FRAME_COUNTER_EDIT, IDC_NIGHT_FRAME_COUNTER_SPIN, IDC_NIGHT_FRAME_COUNTER_DAY,
     IDS_MSG_FRAME_COUNTER_RANGE, false, DayFrameCounter},
    {IDC_NIGHT_MIN_ALARM_CELLS_EDIT, IDC_NIGHT_MIN_ALARM_CELLS_SPIN, IDC_NIGHT_MIN_ALARM_CELLS_DAY,
     IDS_MSG_MIN_ALARM_CELLS_RANGE, true, DayMinAlarmCells},
    {IDC_NIGHT_LIGHT_CHANGE_EDIT, IDC_NIGHT_LIGHT_CHANGE_SPIN, IDC_NIGHT_LIGHT_CHANGE_DAY,
     IDS_MSG_LIGHT_CHANGE_PERCENT_RANGE, false, DayLightChange},
    {IDC_NIGHT_MUTE_BUSY_EDIT, IDC_NIGHT_MUTE_BUSY_SPIN, IDC_NIGHT_MUTE_BUSY_DAY, IDS_MSG_MUTE_BUSY_PERCENT_RANGE,
     false, DayMuteBusy},
    {IDC_NIGHT_SCENE_SECONDS_EDIT, IDC_NIGHT_SCENE_SECONDS_SPIN, IDC_NIGHT_SCENE_SECONDS_DAY,
     IDS_MSG_SCENE_SECONDS_RANGE, false, DayScene},
};

NumberRange NightRange(size_t index, int32_t cellCount) {
  const BoundedSetting& s = kNightSettings[index];
  // Every night range lies within 0..2^31 - 1, as the fields' signed ranges need.
  const uint32_t max = kNightFields[index].cellBound ? MaxAlarmCells(cellCount) : s.max;
  return NumberRange{static_cast<int32_t>(s.min), static_cast<int32_t>(max)};
}

uint32_t NightStart(size_t index, uint32_t dayValue, int32_t cellCount) {
  const NumberRange r = NightRange(index, cellCount);
  return std::min(std::max(dayValue, static_cast<uint32_t>(r.min)), static_cast<uint32_t>(r.max));
}

NowState NowStateAt(const ScheduleLines& lines, const std::tm& local) {
  NowState n;
  const int32_t day = ScheduleDayOf(local), slot = ScheduleSlotOf(local);
  n.mode = ModeAt(lines, day, slot);
  const ScheduleChange c = NextChange(lines, day, slot);
  if (!c.found) return n;
  n.changes = true;
  n.day = c.day;
  n.slot = c.slot;
  constexpr int32_t kWeek = kScheduleDays * kScheduleSlots;
  const int32_t ahead = ((c.day * kScheduleSlots + c.slot) - (day * kScheduleSlots + slot) + kWeek) % kWeek;
  // A change at this slot's clock time or later on another day is 24 hours or more away.
  n.showDay = ahead >= kScheduleSlots;
  return n;
}

std::wstring SlotTime(int32_t slot) {
  const int32_t h = slot / 2, m = slot % 2 * 30;
  std::wstring t;
  t += static_cast<wchar_t>(L'0' + h / 10);
  t += static_cast<wchar_t>(L'0' + h % 10);
  t += L':';
  t += static_cast<wchar_t>(L'0' + m / 10);
  t += L'0';
  return t;
}

std::wstring NowText(const NowState& now, const ScheduleText& text) {
  const uint32_t modeId = now.mode == GuardMode::Off     ? IDS_SCHEDULE_NOW_OFF
                          : now.mode == GuardMode::Night ? IDS_SCHEDULE_NOW_NIGHT
                                                         : IDS_SCHEDULE_NOW_DAY;
  const std::wstring mode = text(modeId);
  if (!now.changes) return mode;
  std::wstring when = SlotTime(now.slot);
  if (now.showDay) when = text(IDS_SCHEDULE_MON + static_cast<uint32_t>(now.day)) + L" " + when;
  return FillPattern(text(IDS_SCHEDULE_UNTIL), {mode, when});
}

}  // namespace qlv
