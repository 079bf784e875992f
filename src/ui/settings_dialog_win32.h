// The plug-in's modeless settings dialog (template 5000): the watched channel,
// the mask buttons, the detector's numbers and colour channels with the button of
// the detector tuning window (which it owns), and the two tab controls with their
// pages. Every control writes the working settings at once.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "plugin/plugin.h"
#include "overlay/caption.h"
#include "ui/action_commands.h"
#include "ui/area_colors_page_win32.h"
#include "ui/caption_editor.h"
#include "ui/caption_page_win32.h"
#include "ui/channel_list.h"
#include "ui/common_dialogs.h"
#include "ui/common_dialogs_win32.h"
#include "ui/controls_win32.h"
#include "ui/dialog_win32.h"
#include "ui/file_action_page_win32.h"
#include "ui/grid_page_win32.h"
#include "ui/mask_commands.h"
#include "ui/mask_editor_win32.h"
#include "ui/pages_win32.h"
#include "ui/record_page_win32.h"
#include "ui/refresh_kinds.h"
#include "ui/schedule_window_win32.h"
#include "ui/settings_access.h"
#include "ui/show_pages_win32.h"
#include "ui/tuning_window_win32.h"

namespace qlv {

class SettingsDialog : public Dialog, public DialogLink {
 public:
  // `dialogs`: the file, colour and font choosers; null for the platform's own.
  // They are owned by the dialog's window, which they disable while up.
  SettingsDialog(Plugin& plugin, const LanguageSelector& language, Caption& caption,
                 CommonDialogs* dialogs = nullptr);
  ~SettingsDialog() override;

  // DialogLink: asked by the frame driver from its own thread.
  bool IsDialogOpen() override { return opening_.load() || hwnd() != nullptr; }
  void PostRefreshControls(uint32_t kind) override;
  void DestroyDialog() override;

  // From here until Open returns, the dialog counts as open, so that no alarm
  // starts an action between the final stop and the window's creation.
  void BeginOpening() { opening_ = true; }
  // Creates the dialog owned by `parent` and shows it. False when it could not be made.
  bool Open(HWND parent);
  // A second request while open: focus, and flash the caption n x 2 times.
  void FocusAndFlash();
  void FlashDialog(int n);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnNotify(NMHDR& header, LRESULT* result) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool OnRefresh(uint32_t kind) override {
    Refresh(kind);
    return true;
  }
  void OnOK() override {}
  void OnCancel() override {}
  void OnDestroy() override;
  void OnFinalDestroy() override;

 private:
  void Refresh(uint32_t kind);
  void Reload(DialogReload step);
  void PlaceWindow();
  void CreateTabs();
  void FillChannelList();
  void CreateTooltips();
  void OnChannelSelected();
  void OnChannelButton();
  void ShowChannelButtonIcon();
  void OnMaskCommand(WORD id);
  MaskCommands::Window MaskWindow();
  void ShowSaveFailure(const std::string& path);
  ChannelLookup Lookup();
  void Post(uint32_t kind) { PostRefreshControls(kind); }

  Plugin& plugin_;
  SettingsAccess settings_;
  const LanguageSelector& language_;
  std::atomic<bool> opening_{false};
  bool numbersShown_ = false;  // the number fields hold the settings: their changes count
  HWND parent_ = nullptr;  // the host's window: used, never destroyed

  Win32CommonDialogs systemDialogs_;
  CommonDialogs& dialogs_;  // every chooser of the dialog and its pages
  MaskCommands maskCommands_;
  ActionCommands actionCommands_;
  CaptionEditor captionEditor_;

  AboutBox about_;
  RecordPage recordPage_;
  FileActionPage soundPage_;
  FileActionPage taskPage_;
  CaptionPage captionPage_;
  GridPage gridPage_;
  AreaColorsPage areaColorsPage_;
  PreviewShowPage previewShowPage_;
  RecordShowPage recordShowPage_;
  TabPages actionTabs_;
  TabPages visualTabs_;
  HIMAGELIST stateImages_ = nullptr;
  Tooltip tooltip_;
  MaskEditor maskEditor_;
  TuningCommands tuningCommands_;
  TuningWindow tuning_;  // owned: goes with this window
  ScheduleCommands scheduleCommands_;
  ScheduleWindow schedule_;  // owned: goes with this window
  ChannelListModel channels_;
  ValidatedNumberEdit sensitive_;
  ValidatedNumberEdit frameCounter_;
  ValidatedNumberEdit duration_;
};

}  // namespace qlv
