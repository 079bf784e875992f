// "Sound" (template 5014): the alarm sound, its file and looping, tried by hand.
#pragma once

#include "ui/action_page_win32.h"

namespace qlv {

class SoundPage : public ActionPage {
 public:
  SoundPage(SettingsAccess& settings, ActionCommands& commands);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Refresh(uint32_t kind);
};

}  // namespace qlv
