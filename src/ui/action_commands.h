// What the three action pages (record, sound, task) do with the working
// settings and the alarm actions, apart from their windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plugin/plugin.h"
#include "ui/common_dialogs.h"
#include "ui/settings_access.h"

namespace qlv {

// The record-type list's item for RecordType: -1 (no item) outside the three offered.
int RecordTypeItem(int32_t recordType);

FileChoice SoundFileChoice();
FileChoice TaskFileChoice();

class ActionCommands {
 public:
  ActionCommands(Plugin& plugin, CommonDialogs& dialogs) : plugin_(plugin), settings_(plugin), dialogs_(dialogs) {}

  // "On/Off" of a page, and the record page's list and pause box.
  void SetSwitch(uint32_t SettingsRecord::*field, bool checked) { settings_.Set(field, checked ? 1u : 0u); }
  void SetRecordType(int32_t item) { settings_.Set(&SettingsRecord::RecordType, item); }
  void SetRecordPause(bool checked) { settings_.Set(&SettingsRecord::RecordPause, checked ? 1 : 0); }
  // The repeat buttons flip their setting.
  void ToggleSoundRepeat() { Toggle(&SettingsRecord::SoundRepeatEnable); }
  void ToggleTaskRestart() { Toggle(&SettingsRecord::ProcessRepeatEnable); }

  // The open chooser; on confirmation (with the page still there) stores the
  // path and returns true.
  bool ChooseSoundFile(WindowHandle owner, const std::function<bool()>& stillOpen);
  bool ChooseTaskFile(WindowHandle owner, const std::function<bool()>& stillOpen);
  // The task's field, as typed, when it loses the focus.
  void SetTaskCommandLine(const std::string& text) { settings_.Set(&SettingsRecord::ProcessFileName, text); }

  // By hand, whatever the pages' "On/Off" say.
  void PlaySound();
  void StopSound();
  void RunTask();

  SettingsAccess& settings() { return settings_; }

 private:
  void Toggle(uint32_t SettingsRecord::*field);
  bool ChooseInto(std::string SettingsRecord::*field, const FileChoice& choice, WindowHandle owner,
                  const std::function<bool()>& stillOpen);

  Plugin& plugin_;
  SettingsAccess settings_;
  CommonDialogs& dialogs_;
};

}  // namespace qlv
