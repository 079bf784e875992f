// "Detector tuning" (template 5016): a modeless window of its own, owned by the
// settings dialog, with a number field for each false-alarm guard. Every field
// writes its setting at once, through the plug-in's commands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/controls_win32.h"
#include "ui/dialog_win32.h"
#include "ui/settings_access.h"

namespace qlv {

class TuningWindow : public Dialog {
 public:
  explicit TuningWindow(SettingsAccess& settings);

  // Creates the window owned by `owner` and beside it; when it is open already,
  // brings it to the front instead. False when it could not be made.
  bool Open(const LanguageSelector& language, HWND owner);
  // The grid may have changed: the fields are shown again, the cell count's range
  // read anew. Nothing while the window is closed.
  void PostReload();

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnRefresh(uint32_t kind) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnOK() override {}                  // Enter changes nothing
  void OnCancel() override { Destroy(); }  // Escape closes this window, not its owner
  void OnFinalDestroy() override { shown_ = false; }

 private:
  void Reload();
  void PlaceBeside(HWND owner);

  SettingsAccess& settings_;
  std::vector<std::unique_ptr<ValidatedNumberEdit>> fields_;  // as kTuningFields
  bool shown_ = false;  // the fields hold the settings: their changes count
};

}  // namespace qlv
