// What the three action pages share: the alarm-action commands, a tooltip of
// their own (relayed by the mask editor's hook), and the ways they reach the
// settings dialog and themselves.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/action_commands.h"
#include "ui/controls_win32.h"
#include "ui/pages_win32.h"

namespace qlv {

class ActionPage : public SettingsPage {
 public:
  ActionPage(UINT templateId, SettingsAccess& settings, ActionCommands& commands)
      : SettingsPage(templateId, settings), commands_(commands) {}
  HWND tooltip() const override { return tooltip_.hwnd(); }

 protected:
  struct Tip {
    int control;
    UINT text;
  };
  struct IconButton {
    int control;
    UINT icon;
  };
  void SetIcons(const std::vector<IconButton>& buttons);
  void CreateTooltip(const std::vector<Tip>& tips);
  void OnFinalDestroy() override { tooltip_.Forget(); }

  // WM_REFRESH_CONTROLS to the settings dialog, the page's top-level window.
  void PostToDialog(uint32_t kind);
  bool Checked(int id) const { return IsDlgButtonChecked(hwnd(), id) == BST_CHECKED; }
  void SetChecked(int id, uint32_t on) { CheckDlgButton(hwnd(), id, on != 0 ? BST_CHECKED : BST_UNCHECKED); }
  // The settings dialog, which owns the choosers and is disabled while one is up.
  WindowHandle ChooserOwner() const;
  // True while this page's window, as it is now, still exists: a chooser's
  // answer is dropped when the dialog went meanwhile.
  std::function<bool()> StillHere();

  ActionCommands& commands() { return commands_; }

 private:
  ActionCommands& commands_;
  Tooltip tooltip_;
};

}  // namespace qlv
