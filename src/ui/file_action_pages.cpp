#include "ui/file_action_pages.h"

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

namespace {

// Built when the library loads: a function-local static would bring in the runtime's guard,
// whose lock is a handle that outlives every unload.
FileActionPageSpec MakeSoundPageSpec() {
  FileActionPageSpec p;
  p.templateId = IDD_SOUND_PAGE;
  p.enable = &SettingsRecord::SoundEnable;
  p.file = &SettingsRecord::SoundFileName;
  p.repeat = &SettingsRecord::SoundRepeatEnable;
  p.enableControl = IDC_SOUND_ENABLE;
  p.fileControl = IDC_SOUND_FILE;
  p.selectControl = IDC_SOUND_SELECT;
  p.repeatControl = IDC_SOUND_REPEAT;
  p.enableTip = IDS_TIP_SOUND_ENABLE;
  p.selectTip = IDS_TIP_SOUND_SELECT;
  p.repeatTip = IDS_TIP_SOUND_LOOP;
  p.repeatIconOn = IDI_REPEAT_ON;
  p.repeatIconOff = IDI_REPEAT_OFF;
  p.byHand = {{IDC_SOUND_STOP, IDI_STOP, IDS_TIP_SOUND_STOP, &ActionCommands::StopSound},
              {IDC_SOUND_PLAY, IDI_PLAY, IDS_TIP_SOUND_PLAY, &ActionCommands::PlaySound}};
  p.imageKind = RefreshSoundImage;
  p.fileKind = RefreshSoundFile;
  p.repeatKind = RefreshSoundRepeat;
  p.chooseFile = &ActionCommands::ChooseSoundFile;
  p.toggleRepeat = &ActionCommands::ToggleSoundRepeat;
  return p;
}

FileActionPageSpec MakeTaskPageSpec() {
  FileActionPageSpec p;
  p.templateId = IDD_TASK_PAGE;
  p.enable = &SettingsRecord::ProcessEnable;
  p.file = &SettingsRecord::ProcessFileName;
  p.repeat = &SettingsRecord::ProcessRepeatEnable;
  p.enableControl = IDC_TASK_ENABLE;
  p.fileControl = IDC_TASK_FILE;
  p.selectControl = IDC_TASK_SELECT;
  p.repeatControl = IDC_TASK_RESTART;
  p.enableTip = IDS_TIP_TASK_ENABLE;
  p.selectTip = IDS_TIP_TASK_SELECT;
  p.repeatTip = IDS_TIP_TASK_RESTART;
  p.repeatIconOn = IDI_RESTART_ON;
  p.repeatIconOff = IDI_RESTART_OFF;
  p.byHand = {{IDC_TASK_RUN, IDI_PLAY, IDS_TIP_TASK_RUN, &ActionCommands::RunTask}};
  p.imageKind = RefreshTaskImage;
  p.fileKind = RefreshTaskFile;
  p.repeatKind = RefreshTaskRestart;
  p.chooseFile = &ActionCommands::ChooseTaskFile;
  p.toggleRepeat = &ActionCommands::ToggleTaskRestart;
  // A command line, arguments and all.
  p.typeFile = &ActionCommands::SetTaskCommandLine;
  return p;
}

const FileActionPageSpec kSoundPageSpec = MakeSoundPageSpec();
const FileActionPageSpec kTaskPageSpec = MakeTaskPageSpec();

}  // namespace

const FileActionPageSpec& SoundPageSpec() { return kSoundPageSpec; }
const FileActionPageSpec& TaskPageSpec() { return kTaskPageSpec; }

std::vector<ActionPageReload> ActionPageReloads(const FileActionPageSpec& page, uint32_t kind) {
  using R = ActionPageReload;
  if (kind == RefreshAll) return {R::EnableCheck, R::FileField, R::RepeatIcon};
  if (kind == page.fileKind) return {R::FileField};
  if (kind == page.repeatKind) return {R::RepeatIcon};
  return {};
}

int RepeatIcon(const FileActionPageSpec& page, uint32_t repeat) {
  return repeat != 0 ? page.repeatIconOn : page.repeatIconOff;
}

}  // namespace qlv
