// The tab pages of the settings dialog: what they share, and the three action
// pages of the "Event action" tab control. The five visualisation pages have
// files of their own. Each page is a child dialog made from its own template.
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

class RecordPage : public SettingsPage {
 public:
  explicit RecordPage(SettingsAccess& s);
};

class SoundPage : public SettingsPage {
 public:
  explicit SoundPage(SettingsAccess& s);
};

class TaskPage : public SettingsPage {
 public:
  explicit TaskPage(SettingsAccess& s);
};

// The about box: a picture, the name and version, and "OK".
class AboutBox : public Dialog {};

}  // namespace qlv
