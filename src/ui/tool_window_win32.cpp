#include "ui/tool_window_win32.h"

#include "ui/dialog_position.h"

namespace qlv {

bool ToolWindow::OpenBeside(const LanguageSelector& language, UINT templateId, HWND owner) {
  if (HWND w = hwnd()) {
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(w);
    return true;
  }
  if (!CreateModeless(language, templateId, owner)) return false;
  PlaceBeside(owner);
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

void ToolWindow::PostReload() {
  if (HWND w = hwnd()) PostMessageW(w, WM_REFRESH_CONTROLS, 0, 0);
}

void ToolWindow::PlaceBeside(HWND owner) {
  RECT o = {}, d = {};
  if (!GetWindowRect(owner, &o) || !GetWindowRect(hwnd(), &d)) return;
  const ScreenPoint p = qlv::PlaceBeside(ScreenRect{o.left, o.top, o.right, o.bottom}, d.right - d.left,
                                         d.bottom - d.top, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qlv
