// The sound and the task page are one page class (FileActionPage): an alarm
// action with a file, its "On/Off", a repeat button and buttons that try it by
// hand. This description is all that tells the two apart.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/action_commands.h"

namespace qlv {

// One reload step of a file action page.
enum class ActionPageReload {
  EnableCheck,  // "On/Off" from the enable setting
  FileField,    // the file setting
  RepeatIcon,   // the repeat setting
};

struct FileActionPageSpec {
  // A button that tries the action whatever "On/Off" says.
  struct ByHand {
    int control;
    uint32_t icon;
    uint32_t tip;
    void (ActionCommands::*run)();
  };

  uint32_t templateId = 0;
  uint32_t SettingsRecord::*enable = nullptr;
  std::string SettingsRecord::*file = nullptr;
  uint32_t SettingsRecord::*repeat = nullptr;
  int enableControl = 0, fileControl = 0, selectControl = 0, repeatControl = 0;
  uint32_t enableTip = 0, selectTip = 0, repeatTip = 0;
  int repeatIconOn = 0, repeatIconOff = 0;
  std::vector<ByHand> byHand;  // icons and tips go on in this order, after the chooser's
  uint32_t imageKind = 0;      // the settings dialog's tab image follows "On/Off"
  uint32_t fileKind = 0;       // the page's own refresh kinds
  uint32_t repeatKind = 0;
  bool (ActionCommands::*chooseFile)(WindowHandle, const std::function<bool()>&) = nullptr;
  void (ActionCommands::*toggleRepeat)() = nullptr;
  // Takes the field's text as typed once it is left; null: the field only shows the setting.
  void (ActionCommands::*typeFile)(const std::string&) = nullptr;
};

// "Sound" (template 5014): the alarm sound, its file and looping, played and stopped by hand.
const FileActionPageSpec& SoundPageSpec();
// "Task" (template 5015): the external program, its command line, whether every
// alarm starts it anew, and a start by hand.
const FileActionPageSpec& TaskPageSpec();

// The steps a page takes for a WM_REFRESH_CONTROLS kind; none for a kind not its own.
std::vector<ActionPageReload> ActionPageReloads(const FileActionPageSpec& page, uint32_t kind);
// The repeat button's icon for its setting.
int RepeatIcon(const FileActionPageSpec& page, uint32_t repeat);

}  // namespace qlv
