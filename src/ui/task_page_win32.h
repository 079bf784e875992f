// "Task" (template 5015): the external program an alarm starts, its command
// line, whether every alarm starts it anew, and a start by hand.
#pragma once

#include "ui/action_page_win32.h"

namespace qlv {

class TaskPage : public ActionPage {
 public:
  TaskPage(SettingsAccess& settings, ActionCommands& commands);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Refresh(uint32_t kind);
};

}  // namespace qlv
