// The "Data/Time" page (template 5008): the caption's format, position, font,
// colour and opacity. Every change reaches the caption through CaptionEditor,
// under the caption's lock, and shows in the next frame.
#pragma once

#include <windows.h>

#include "ui/caption_editor.h"
#include "ui/common_dialogs.h"
#include "ui/controls_win32.h"
#include "ui/pages_win32.h"
#include "ui/refresh_kinds.h"

namespace qlv {

class CaptionPage : public SettingsPage {
 public:
  CaptionPage(SettingsAccess& s, CaptionEditor& caption, CommonDialogs& dialogs);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnNotify(NMHDR& header, LRESULT* result) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnDestroy() override;
  void Refresh(uint32_t kind) override;

 private:
  void SetUpFormatField();
  void OnFormatChanged();
  void ShowFormatMenu(LPARAM clientPoint);
  void InsertMenuCode(UINT commandId);
  void OnFontButton();
  void OnColorButton();
  void RedrawButton(int id);
  // The settings dialog: owner of the choosers, disabled while one is up.
  WindowHandle ChooserOwner() const;

  CaptionEditor& caption_;
  CommonDialogs& dialogs_;
  ValidatedNumberEdit opacity_;
  bool shown_ = false;  // the fields hold the settings: their changes count
  HMENU menu_ = nullptr;
  HMENU formatMenu_ = nullptr;  // the first submenu of menu_
};

}  // namespace qlv
