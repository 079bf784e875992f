// "Record" (template 5013): whether an alarm records, how, and whether a
// recording pauses instead of stopping.
#pragma once

#include "ui/action_page_win32.h"

namespace qlv {

class RecordPage : public ActionPage {
 public:
  RecordPage(SettingsAccess& settings, ActionCommands& commands);

 protected:
  // Shows the working values of the moment the dialog opens; it has no reload.
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
};

}  // namespace qlv
