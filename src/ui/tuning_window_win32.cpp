#include "ui/tuning_window_win32.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/dialog_position.h"
#include "ui/refresh_kinds.h"
#include "ui/tuning_fields.h"
#include "ui/tuning_report.h"

namespace qlv {

TuningWindow::TuningWindow(SettingsAccess& settings, TuningCommands& commands, DialogLink& dialog)
    : settings_(settings),
      commands_(commands),
      dialog_(dialog),
      seconds_({IDC_TUNE_SECONDS, IDC_TUNE_SECONDS_SPIN,
                {static_cast<int32_t>(kMinRunSeconds), static_cast<int32_t>(kMaxRunSeconds)}, 3,
                IDS_MSG_TUNE_SECONDS_RANGE, true, Resync::Direct, true},
               [this] { return static_cast<int32_t>(runSeconds_); },
               [this](int32_t v) { runSeconds_ = static_cast<uint32_t>(v); }),
      runSeconds_(kDefaultRunSeconds) {
  for (const TuningField& f : kTuningFields) {
    uint32_t SettingsRecord::*field = f.setting->field;
    // The table's range until the window opens and reads the grid's.
    const ValidatedNumberEdit::Config config{
        f.editId, f.spinId, TuningRange(f, 0), TuningTextLimit(f), f.messageId, true, Resync::Direct, true};
    fields_.push_back(std::make_unique<ValidatedNumberEdit>(
        config, [this, field] { return static_cast<int32_t>(settings_.Get(field)); },
        [this, field](int32_t v) { settings_.Set(field, static_cast<uint32_t>(v)); }));
  }
}

bool TuningWindow::Open(const LanguageSelector& language, HWND owner) {
  if (HWND w = hwnd()) {
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(w);
    return true;
  }
  if (!CreateModeless(language, IDD_TUNING, owner)) return false;
  PlaceBeside(owner);
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

void TuningWindow::PostReload() {
  if (HWND w = hwnd()) PostMessageW(w, WM_REFRESH_CONTROLS, 0, 0);
}

void TuningWindow::PostTuningUpdate() {
  if (updatePosted_.exchange(true)) return;
  HWND w = hwnd();
  if (!w || !PostMessageW(w, WM_TUNING_UPDATE, 0, 0)) updatePosted_ = false;
}

void TuningWindow::PlaceBeside(HWND owner) {
  RECT o = {}, d = {};
  if (!GetWindowRect(owner, &o) || !GetWindowRect(hwnd(), &d)) return;
  const ScreenPoint p = qlv::PlaceBeside(ScreenRect{o.left, o.top, o.right, o.bottom}, d.right - d.left,
                                         d.bottom - d.top, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL TuningWindow::OnInitDialog() {
  for (auto& f : fields_) f->Attach(*this);
  seconds_.Attach(*this);
  Reload();
  SendDlgItemMessageW(hwnd(), IDC_TUNE_PROGRESS, PBM_SETRANGE32, 0, 100);
  // The levels start off at every opening; the plug-in hears of changes from now on.
  CheckDlgButton(hwnd(), IDC_TUNE_LEVELS, BST_UNCHECKED);
  commands_.Open(this);
  ShowTuning();
  return TRUE;
}

void TuningWindow::OnDestroy() {
  // From here the frame thread no longer posts; the results go with the window.
  commands_.Close();
  updatePosted_ = false;
  spoilers_.clear();
}

void TuningWindow::ShowTuning() {
  updatePosted_ = false;  // before the read: a change after it posts again
  // One read: the status and the mask it names cells of.
  const TuningView view = commands_.Snapshot();
  const TuningStatus& status = view.status;
  const TuningControls c = TuningControlsFor(status, view.mask.watch);
  const struct {
    int id;
    bool on;
  } buttons[] = {{IDC_TUNE_QUIET, c.learn},  {IDC_TUNE_MOTION, c.learn},   {IDC_TUNE_CANCEL, c.cancel},
                 {IDC_TUNE_APPLY, c.apply}, {IDC_TUNE_UNWATCH, c.unwatch}};
  // Enabled first, so that a focused button about to be disabled can give the focus on
  // (to Cancel after a learn button), or the keyboard would be lost.
  for (const auto& b : buttons)
    if (b.on) EnableWindow(Item(b.id), TRUE);
  for (const auto& b : buttons) {
    if (b.on) continue;
    HWND button = Item(b.id);
    if (GetFocus() == button) SendMessageW(hwnd(), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(button, FALSE);
  }
  SendDlgItemMessageW(hwnd(), IDC_TUNE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(c.progress), 0);
  const LanguageSelector* lang = language();
  const std::wstring text = TuningReport(status, view.mask.columns, [lang](uint32_t id) {
    return lang ? lang->LoadWideString(id) : std::wstring();
  });
  if (WindowTextOf(Item(IDC_TUNE_RESULT)) != text) SetDlgItemTextW(hwnd(), IDC_TUNE_RESULT, text.c_str());
  // Empty while the view is not watched: ViewLostSeconds is 0, or no frame has come yet.
  const uint32_t viewId = view.viewLost ? IDS_TUNE_VIEW_LOST : view.viewWatched ? IDS_TUNE_VIEW_WATCHED : 0;
  const std::wstring viewText = viewId != 0 && lang ? lang->LoadWideString(viewId) : std::wstring();
  if (WindowTextOf(Item(IDC_VIEW_STATE)) != viewText) SetDlgItemTextW(hwnd(), IDC_VIEW_STATE, viewText.c_str());
  spoilers_ = status.spoilers;
}

bool TuningWindow::OnTuningCommand(WORD id) {
  switch (id) {
    case IDC_TUNE_LEVELS:
      commands_.ShowLevels(IsDlgButtonChecked(hwnd(), IDC_TUNE_LEVELS) == BST_CHECKED);
      return true;
    case IDC_TUNE_QUIET:
    case IDC_TUNE_MOTION:
      commands_.Learn(id == IDC_TUNE_QUIET ? CalibrationKind::Quiet : CalibrationKind::Motion, runSeconds_);
      ShowTuning();
      return true;
    case IDC_TUNE_CANCEL:
      commands_.Cancel();
      ShowTuning();
      return true;
    case IDC_TUNE_APPLY:
      if (commands_.ApplyProposal()) dialog_.PostRefreshControls(RefreshAll);
      return true;
    case IDC_TUNE_UNWATCH:
      // The cells as they were listed, so that what is unwatched is what was read.
      commands_.Unwatch(spoilers_);
      ShowTuning();
      return true;
    default:
      return false;
  }
}

void TuningWindow::Reload() {
  // Rewriting the fields is no typing.
  shown_ = false;
  const int32_t cells = settings_.CellCount();
  for (size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->SetRange(TuningRange(kTuningFields[i], cells));
    fields_[i]->ShowStored();
  }
  seconds_.ShowStored();
  shown_ = true;
}

bool TuningWindow::OnCommand(WORD id, WORD code, HWND) {
  if (code == BN_CLICKED) return OnTuningCommand(id);
  if (code != EN_CHANGE) return false;
  if (id == IDC_TUNE_SECONDS) {
    if (shown_) seconds_.OnTextChanged();
    return true;
  }
  for (auto& f : fields_) {
    if (f->editId() != id) continue;
    if (shown_) f->OnTextChanged();
    return true;
  }
  return false;
}

bool TuningWindow::OnRefresh(uint32_t) {
  Reload();
  return true;
}

bool TuningWindow::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  if (msg == WM_TUNING_UPDATE) {
    ShowTuning();
    *result = 0;
    return true;
  }
  if (msg != WM_CLOSE) return false;
  Destroy();
  *result = 0;
  return true;
}

}  // namespace qlv
