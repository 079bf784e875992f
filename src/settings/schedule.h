// The weekly schedule: seven days of half-hour slots in local time, each off, on with
// the day's settings, or on with the night settings; and the night settings themselves.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "settings/settings.h"

namespace qlv {

enum class GuardMode : uint8_t { Off = 0, Day = 1, Night = 2 };

constexpr int32_t kScheduleDays = 7;    // Monday first
constexpr int32_t kScheduleSlots = 48;  // half hours from 00:00
extern const char* const kScheduleKeys[kScheduleDays];  // "ScheduleMon" ... "ScheduleSun"

// A day's line is exactly 48 of '0' (off), '1' (on) and '2' (night). Any other text, an
// absent line included, reads as all on; the record keeps such a line as found, so that
// saving writes it back unchanged.
bool IsScheduleLine(const std::string& line);
GuardMode SlotMode(const std::string& line, int32_t slot);
// Paints slots first..last (inclusive, in either order) of the day with `mode`. A line that
// reads as all on afterwards becomes empty: the day is then absent from the file.
void PaintSlots(std::string* line, int32_t first, int32_t last, GuardMode mode);

// Day (0 = Monday) and slot of a local time.
int32_t ScheduleDayOf(const std::tm& local);
int32_t ScheduleSlotOf(const std::tm& local);
GuardMode ModeAt(const ScheduleLines& lines, int32_t day, int32_t slot);
GuardMode ModeAt(const ScheduleLines& lines, const std::tm& local);
// True when no slot of the week is other than on: the schedule changes nothing.
bool ScheduleAllOn(const ScheduleLines& lines);

// The next slot, after (day, slot), whose mode differs from the mode of (day, slot),
// looking at most one week ahead.
struct ScheduleChange {
  bool found = false;
  int32_t day = 0, slot = 0;
  GuardMode mode = GuardMode::Day;
};
ScheduleChange NextChange(const ScheduleLines& lines, int32_t day, int32_t slot);

// The night settings shadow these keys of the day's, with their ranges; kAsByDay, the
// default, keeps the day's value and is never written.
constexpr uint32_t kAsByDay = 0xFFFFFFFFu;
constexpr uint32_t kSensitiveMin = 0, kSensitiveMax = 16;
constexpr uint32_t kFrameCounterMin = 1, kFrameCounterMax = 25;
inline constexpr BoundedSetting kNightSettings[] = {
    {"NightSensitive", &SettingsRecord::NightSensitive, kSensitiveMin, kSensitiveMax, kAsByDay},
    {"NightFrameCounter", &SettingsRecord::NightFrameCounter, kFrameCounterMin, kFrameCounterMax, kAsByDay},
    {"NightMinAlarmCells", &SettingsRecord::NightMinAlarmCells, 1, kMaxCells, kAsByDay},
    {"NightLightChangePercent", &SettingsRecord::NightLightChangePercent, 0, 100, kAsByDay},
    {"NightMuteBusyPercent", &SettingsRecord::NightMuteBusyPercent, 0, 100, kAsByDay},
    {"NightSceneSeconds", &SettingsRecord::NightSceneSeconds, 0, 600, kAsByDay},
};
constexpr size_t kNightSettingsCount = sizeof(kNightSettings) / sizeof(kNightSettings[0]);

// Turns the day's settings into the night's: every night value that is set replaces the
// value it shadows. A NightMinAlarmCells above the grid's `cellCount` cells holds as by day.
void ApplyNightSettings(SettingsRecord* s, int32_t cellCount);

}  // namespace qlv
