// What every tab page of the settings dialog shares, and the about box. The
// three action pages and the five visualisation pages have files of their own.
// Each page is a child dialog made from its own template.
#pragma once

#include "plugin/plugin.h"
#include "ui/dialog_win32.h"
#include "ui/settings_access.h"

namespace qlv {

// What every page shares: its template, the plug-in's settings, and the tooltip
// it may own (the action pages have one).
class SettingsPage : public Dialog {
 public:
  SettingsPage(UINT templateId, SettingsAccess& settings) : templateId_(templateId), settings_(settings) {}
  UINT templateId() const { return templateId_; }
  // The page's tooltip control, for the mask editor's relay; null when none.
  virtual HWND tooltip() const { return nullptr; }

 protected:
  SettingsAccess& settings() { return settings_; }
  // Every WM_REFRESH_CONTROLS comes here: the page reloads what `kind` asks of it.
  virtual void Refresh(uint32_t kind) {}
  bool OnRefresh(uint32_t kind) final {
    Refresh(kind);
    return true;
  }
  // WM_REFRESH_CONTROLS to the page itself; nothing once its window is gone.
  void PostRefresh(uint32_t kind) {
    if (HWND w = hwnd()) PostMessageW(w, WM_REFRESH_CONTROLS, kind, 0);
  }

 private:
  UINT templateId_;
  SettingsAccess& settings_;
};

// The about box: a picture, the name and version, and "OK".
class AboutBox : public Dialog {};

}  // namespace qlv
