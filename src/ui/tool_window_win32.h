// A modeless window of its own beside the settings dialog, which owns it: the tuning and
// the schedule windows. Enter changes nothing there; Escape closes it, not its owner.
#pragma once

#include <windows.h>

#include "ui/dialog_win32.h"

namespace qlv {

class ToolWindow : public Dialog {
 public:
  // The grid or a day value may have changed: the window shows the settings again. Nothing
  // while it is closed.
  void PostReload();

 protected:
  // Creates template `templateId` owned by `owner` and beside it; when it is open already,
  // brings it to the front instead. False when it could not be made.
  bool OpenBeside(const LanguageSelector& language, UINT templateId, HWND owner);
  void OnOK() override {}
  void OnCancel() override { Destroy(); }
  void OnFinalDestroy() override { shown_ = false; }

  bool shown_ = false;  // the fields hold the settings: their changes count

 private:
  void PlaceBeside(HWND owner);
};

}  // namespace qlv
