// The tab pages of the settings dialog: what every page shares, and the five
// visualisation pages of the "Visualization" tab control. The three action
// pages have files of their own. Each is a child dialog made from its own template.
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

 private:
  UINT templateId_;
  SettingsAccess& settings_;
};

class CaptionPage : public SettingsPage {
 public:
  explicit CaptionPage(SettingsAccess& s);
};

class GridPage : public SettingsPage {
 public:
  explicit GridPage(SettingsAccess& s);
};

class AreaColorsPage : public SettingsPage {
 public:
  explicit AreaColorsPage(SettingsAccess& s);
};

// The preview and the record pages show the same switches for the two cases.
class ShowSwitchesPage : public SettingsPage {
 public:
  ShowSwitchesPage(UINT templateId, SettingsAccess& s) : SettingsPage(templateId, s) {}
};

class PreviewShowPage : public ShowSwitchesPage {
 public:
  explicit PreviewShowPage(SettingsAccess& s);
};

class RecordShowPage : public ShowSwitchesPage {
 public:
  explicit RecordShowPage(SettingsAccess& s);
};

// The about box: a picture, the name and version, and "OK".
class AboutBox : public Dialog {};

}  // namespace qlv
