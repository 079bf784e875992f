// What the schedule window asks of the plug-in, and nothing more: each call is one of the
// plug-in's commands, which takes the frame lock itself. A change holds from the next frame
// and is saved with the other settings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/plugin.h"
#include "settings/schedule.h"

namespace qlv {

class ScheduleCommands {
 public:
  explicit ScheduleCommands(Plugin& plugin) : plugin_(plugin) {}

  ScheduleView Snapshot() { return plugin_.ScheduleSnapshot(); }
  void SetLines(const ScheduleLines& lines) {
    plugin_.EditSchedule([&lines](SettingsRecord& s) { s.Schedule = lines; });
  }
  // kAsByDay unsets it.
  void SetNight(size_t index, uint32_t value) {
    uint32_t SettingsRecord::*field = kNightSettings[index].field;
    plugin_.EditSchedule([field, value](SettingsRecord& s) { s.*field = value; });
  }

 private:
  Plugin& plugin_;
};

}  // namespace qlv
