#include "ui/tuning_window_win32.h"

#include "res/resource.h"
#include "ui/dialog_position.h"
#include "ui/tuning_fields.h"

namespace qlv {

TuningWindow::TuningWindow(SettingsAccess& settings) : settings_(settings) {
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
  Reload();
  return TRUE;
}

void TuningWindow::Reload() {
  // Rewriting the fields is no typing.
  shown_ = false;
  const int32_t cells = settings_.CellCount();
  for (size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->SetRange(TuningRange(kTuningFields[i], cells));
    fields_[i]->ShowStored();
  }
  shown_ = true;
}

bool TuningWindow::OnCommand(WORD id, WORD code, HWND) {
  if (code != EN_CHANGE) return false;
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
  if (msg != WM_CLOSE) return false;
  Destroy();
  *result = 0;
  return true;
}

}  // namespace qlv
