// Answers the platform's file choosers that the plug-in opens, from a second
// thread, while the thread that owns them sits inside the call that shows them;
// and mouse input on the host's video window.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/mutex.h"

namespace hosttest {

// The visible dialog-class windows of this process owned by `owner`.
std::vector<HWND> OwnedDialogs(HWND owner);

// While it lives, every file chooser owned by `owner` gets `fileName` typed into
// its name field and is confirmed; what the chooser showed is recorded.
class FileChooserAnswer {
 public:
  struct Seen {
    std::wstring title;
    std::wstring filter;  // the selected file-type item
    HWND owner = nullptr;
  };
  FileChooserAnswer(HWND owner, const std::wstring& fileName);
  ~FileChooserAnswer();
  FileChooserAnswer(const FileChooserAnswer&) = delete;
  FileChooserAnswer& operator=(const FileChooserAnswer&) = delete;

  size_t count() const { return count_.load(); }
  std::vector<Seen> seen() const;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  HWND owner_;
  std::wstring fileName_;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  mutable qlv::Mutex mutex_;
  std::vector<Seen> seen_;
  std::atomic<size_t> count_{0};
};

// Real mouse input at a point of `window`'s client area.
POINT ClientPointOnScreen(HWND window, int x, int y);
void MouseTo(POINT screen);
void MouseButton(DWORD flags);  // MOUSEEVENTF_LEFTDOWN and the like, at the cursor

// Replaces the address that `module` imports for `dll`!`function`; returns the
// address it held (null: not imported).
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace hosttest
