// Finds a modal message box of this process from a second thread, reads it and
// closes it, while the test thread sits inside the call that shows it.
#pragma once

#include <windows.h>

#include <string>

namespace hosttest {

struct SeenMessageBox {
  bool found = false;
  std::wstring text;       // the message (the non-empty static text)
  std::wstring caption;
  bool informationIcon = false;  // the icon control shows the system's information icon
  bool okButton = false;         // a visible button IDOK
  bool cancelButton = false;     // a visible button IDCANCEL
  HWND owner = nullptr;          // the window that owns the box
};

// Reads a message box's texts, icon, buttons and owner (from any thread).
SeenMessageBox ReadMessageBox(HWND box);

// Runs `action` on this thread; meanwhile a watcher thread waits up to
// `timeoutMs` for a visible "#32770" window of this process, reads it and
// presses OK. Returns what it saw (found == false: no box appeared).
template <typename Action>
SeenMessageBox WatchMessageBox(Action action, DWORD timeoutMs = 60000);

// Implementation detail: the watcher thread's entry.
struct WatchState {
  SeenMessageBox seen;
  DWORD timeoutMs;
  HANDLE stop;
};
DWORD WINAPI WatchMessageBoxThread(void* state);

template <typename Action>
SeenMessageBox WatchMessageBox(Action action, DWORD timeoutMs) {
  WatchState state;
  state.timeoutMs = timeoutMs;
  state.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WatchMessageBoxThread, &state, 0, nullptr);
  action();
  SetEvent(state.stop);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(state.stop);
  return state.seen;
}

}  // namespace hosttest
