#include "settings/schedule.h"

#include <algorithm>

namespace qlv {

const char* const kScheduleKeys[kScheduleDays] = {"ScheduleMon", "ScheduleTue", "ScheduleWed", "ScheduleThu",
                                                  "ScheduleFri", "ScheduleSat", "ScheduleSun"};

bool IsScheduleLine(const std::string& line) {
  if (line.size() != static_cast<size_t>(kScheduleSlots)) return false;
  return std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '2'; });
}

GuardMode SlotMode(const std::string& line, int32_t slot) {
  if (slot < 0 || slot >= kScheduleSlots || !IsScheduleLine(line)) return GuardMode::Day;
  return static_cast<GuardMode>(line[static_cast<size_t>(slot)] - '0');
}

void PaintSlots(std::string* line, int32_t first, int32_t last, GuardMode mode) {
  if (!IsScheduleLine(*line)) line->assign(kScheduleSlots, '1');
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, kScheduleSlots - 1);
  for (int32_t i = first; i <= last; ++i) (*line)[static_cast<size_t>(i)] = static_cast<char>('0' + static_cast<int>(mode));
  if (line->find_first_not_of('1') == std::string::npos) line->clear();
}

int32_t ScheduleDayOf(const std::tm& local) { return (local.tm_wday + 6) % 7; }

int32_t ScheduleSlotOf(const std::tm& local) { return local.tm_hour * 2 + local.tm_min / 30; }

GuardMode ModeAt(const ScheduleLines& lines, int32_t day, int32_t slot) {
  if (day < 0 || day >= kScheduleDays) return GuardMode::Day;
  return SlotMode(lines[static_cast<size_t>(day)], slot);
}

GuardMode ModeAt(const ScheduleLines& lines, const std::tm& local) {
  return ModeAt(lines, ScheduleDayOf(local), ScheduleSlotOf(local));
}

bool ScheduleAllOn(const ScheduleLines& lines) {
  for (const std::string& line : lines)
    if (IsScheduleLine(line) && line.find_first_not_of('1') != std::string::npos) return false;
  return true;
}

ScheduleChange NextChange(const ScheduleLines& lines, int32_t day, int32_t slot) {
  ScheduleChange c;
  const GuardMode now = ModeAt(lines, day, slot);
  for (int32_t step = 1; step <= kScheduleDays * kScheduleSlots; ++step) {
    const int32_t at = day * kScheduleSlots + slot + step;
    const int32_t d = (at / kScheduleSlots) % kScheduleDays;
    const int32_t s = at % kScheduleSlots;
    const GuardMode m = ModeAt(lines, d, s);
    if (m != now) {
      c.found = true;
      c.day = d;
      c.slot = s;
      c.mode = m;
      return c;
    }
  }
  return c;
}

void ApplyNightSettings(SettingsRecord* s, int32_t cellCount) {
  if (s->NightSensitive != kAsByDay) s->Sensitive = static_cast<int32_t>(s->NightSensitive);
  if (s->NightFrameCounter != kAsByDay) s->FrameCounter = static_cast<int32_t>(s->NightFrameCounter);
  // More cells than the grid has could never alarm: such a night value holds as by day.
  if (s->NightMinAlarmCells != kAsByDay && s->NightMinAlarmCells <= static_cast<uint32_t>(std::max(cellCount, 0)))
    s->MinAlarmCells = s->NightMinAlarmCells;
  if (s->NightLightChangePercent != kAsByDay) s->LightChangePercent = s->NightLightChangePercent;
  if (s->NightMuteBusyPercent != kAsByDay) s->MuteBusyPercent = s->NightMuteBusyPercent;
  if (s->NightSceneSeconds != kAsByDay) s->SceneSeconds = s->NightSceneSeconds;
}

}  // namespace qlv
