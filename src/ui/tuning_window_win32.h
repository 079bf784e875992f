// "Detector tuning" (template 5016): a modeless window of its own, owned by the
// settings dialog. "False alarms": a number field for each guard, each writing its
// setting at once. "Intruders": the same for the scene memory, the view watch and the
// busy margin, and a line saying whether the view is watched or lost. "Tuning": the
// change levels on the video, the quiet and motion runs with their results, and the
// two ways to act on them. All of it through the plug-in's commands; the frame thread
// only posts to the window (TuningLink).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/controls_win32.h"
#include "ui/dialog_win32.h"
#include "ui/settings_access.h"
#include "ui/tuning_commands.h"

namespace qlv {

// The frame driver's note that the tuning state changed; the window then reads it.
constexpr UINT WM_TUNING_UPDATE = WM_USER + 401;

class TuningWindow : public Dialog, public TuningLink {
 public:
  // `settings`: the guards' fields; `dialog`: the settings dialog, told when a setting it
  // shows has changed here.
  TuningWindow(SettingsAccess& settings, TuningCommands& commands, DialogLink& dialog);

  // Creates the window owned by `owner` and beside it; when it is open already,
  // brings it to the front instead. False when it could not be made.
  bool Open(const LanguageSelector& language, HWND owner);
  // The grid may have changed: the fields are shown again, the cell count's range
  // read anew. Nothing while the window is closed.
  void PostReload();

  // TuningLink: on the frame thread, under the frame lock. At most one note waits in
  // the queue at a time.
  void PostTuningUpdate() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnRefresh(uint32_t kind) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnOK() override {}                  // Enter changes nothing
  void OnCancel() override { Destroy(); }  // Escape closes this window, not its owner
  void OnDestroy() override;
  void OnFinalDestroy() override { shown_ = false; }

 private:
  void Reload();
  void PlaceBeside(HWND owner);
  bool OnTuningCommand(WORD id);
  // The "Tuning" group and the view's line as the plug-in's state is now.
  void ShowTuning();

  SettingsAccess& settings_;
  TuningCommands& commands_;
  DialogLink& dialog_;
  std::vector<std::unique_ptr<ValidatedNumberEdit>> fields_;  // as kTuningFields
  ValidatedNumberEdit seconds_;
  uint32_t runSeconds_;  // kept while the plug-in is loaded, never saved
  std::vector<int32_t> spoilers_;  // as shown: what "Unwatch these cells" unwatches
  std::atomic<bool> updatePosted_{false};
  bool shown_ = false;  // the fields hold the settings: their changes count
};

}  // namespace qlv
