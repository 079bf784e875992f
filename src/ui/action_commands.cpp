#include "ui/action_commands.h"

namespace qlv {

int RecordTypeItem(int32_t recordType) { return recordType >= 0 && recordType <= 2 ? recordType : -1; }

FileChoice SoundFileChoice() { return FileChoice{"Audio files (*.wav)", "*.wav", "wav", std::string()}; }
FileChoice TaskFileChoice() { return FileChoice{"Execution files (*.exe)", "*.exe", "exe", std::string()}; }

void ActionCommands::Toggle(uint32_t SettingsRecord::*field) {
  // In one hold of the lock: 0 becomes 1, anything else 0.
  plugin_.EditSettings([field](SettingsRecord& s) { s.*field = s.*field == 0 ? 1u : 0u; });
}

bool ActionCommands::ChooseInto(std::string SettingsRecord::*field, const FileChoice& choice, WindowHandle owner,
                                const std::function<bool()>& stillOpen) {
  const std::optional<std::string> chosen = dialogs_.OpenFile(owner, choice);
  // The page may have gone with the dialog while the chooser was up.
  if (!chosen || (stillOpen && !stillOpen())) return false;
  settings_.Set(field, *chosen);
  return true;
}

bool ActionCommands::ChooseSoundFile(WindowHandle owner, const std::function<bool()>& stillOpen) {
  return ChooseInto(&SettingsRecord::SoundFileName, SoundFileChoice(), owner, stillOpen);
}

bool ActionCommands::ChooseTaskFile(WindowHandle owner, const std::function<bool()>& stillOpen) {
  return ChooseInto(&SettingsRecord::ProcessFileName, TaskFileChoice(), owner, stillOpen);
}

void ActionCommands::PlaySound() { plugin_.ActByHand(HandAction::PlaySound); }
void ActionCommands::StopSound() { plugin_.ActByHand(HandAction::StopSound); }
void ActionCommands::RunTask() { plugin_.ActByHand(HandAction::RunTask); }

}  // namespace qlv
