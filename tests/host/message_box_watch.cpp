#include "message_box_watch.h"

namespace hosttest {

namespace {

BOOL CALLBACK FindBoxProc(HWND w, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[32] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindOwnMessageBox() {
  HWND found = nullptr;
  EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK ReadChildProc(HWND child, LPARAM lp) {
  SeenMessageBox* s = reinterpret_cast<SeenMessageBox*>(lp);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, L"Static") != 0) return TRUE;
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if ((style & SS_TYPEMASK) == SS_ICON) {
    const HICON shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    s->informationIcon = shown != nullptr && shown == LoadIconW(nullptr, MAKEINTRESOURCEW(32516));  // IDI_INFORMATION
    return TRUE;
  }
  wchar_t text[512] = {};
  GetWindowTextW(child, text, 512);
  if (text[0] && s->text.empty()) s->text = text;
  return TRUE;
}

}  // namespace

SeenMessageBox ReadMessageBox(HWND box) {
  SeenMessageBox s;
  s.found = true;
  wchar_t buf[512] = {};
  GetWindowTextW(box, buf, 512);
  s.caption = buf;
  EnumChildWindows(box, ReadChildProc, reinterpret_cast<LPARAM>(&s));
  HWND ok = GetDlgItem(box, IDOK);
  HWND cancel = GetDlgItem(box, IDCANCEL);
  s.okButton = ok && IsWindowVisible(ok);
  s.cancelButton = cancel && IsWindowVisible(cancel);
  s.owner = GetWindow(box, GW_OWNER);
  return s;
}

DWORD WINAPI WatchMessageBoxThread(void* p) {
  WatchState* state = static_cast<WatchState*>(p);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < state->timeoutMs) {
    if (HWND box = FindOwnMessageBox()) {
      // Visible means initialised; still, wait for the text rather than trust it.
      const DWORD seenAt = GetTickCount();
      for (;;) {
        state->seen = ReadMessageBox(box);
        if (!state->seen.text.empty() || GetTickCount() - seenAt > 5000) break;
        Sleep(25);
      }
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return 0;
    }
    if (WaitForSingleObject(state->stop, 25) == WAIT_OBJECT_0) return 0;
  }
  return 0;
}

}  // namespace hosttest
