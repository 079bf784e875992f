// "Preview/Snapshot" (template 5010) and "Record" (template 5011): which of the
// grid, the active areas and the caption are drawn while the host previews and
// while it records. The two pages share their code; each has its own settings.
#pragma once

#include <windows.h>

#include "ui/controls_win32.h"
#include "ui/pages_win32.h"
#include "ui/refresh_kinds.h"

namespace qlv {

class ShowSwitchesPage : public SettingsPage {
 public:
  struct Switches {
    uint32_t SettingsRecord::*grid;  // "Grid"
    uint32_t SettingsRecord::*mask;  // "Active area"
    uint32_t SettingsRecord::*time;  // "Date/Time"
  };
  ShowSwitchesPage(UINT templateId, SettingsAccess& s, const Switches& switches)
      : SettingsPage(templateId, s), switches_(switches) {}

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void Refresh(uint32_t kind) override;

 private:
  uint32_t SettingsRecord::*FieldOf(WORD id) const;

  Switches switches_;
};

class PreviewShowPage : public ShowSwitchesPage {
 public:
  explicit PreviewShowPage(SettingsAccess& s);
};

class RecordShowPage : public ShowSwitchesPage {
 public:
  explicit RecordShowPage(SettingsAccess& s);
};

}  // namespace qlv
