#include "chooser_driver.h"
#include "platform/mutex.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <utility>

namespace hosttest {

namespace {

struct OwnedSearch {
  HWND owner;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND w, LPARAM lp) {
  OwnedSearch* s = reinterpret_cast<OwnedSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[16] = {};
  if (pid == GetCurrentProcessId() && IsWindowVisible(w) && GetClassNameW(w, cls, 16) &&
      lstrcmpW(cls, L"#32770") == 0 && GetWindow(w, GW_OWNER) == s->owner)
    s->found.push_back(w);
  return TRUE;
}

std::wstring TextOf(HWND w) {
  wchar_t buf[512] = {};
  GetWindowTextW(w, buf, 512);
  return buf;
}

// The chooser's name field: a combo box with an edit in the explorer style, an
// edit in the older one.
HWND NameField(HWND chooser) {
  if (HWND combo = GetDlgItem(chooser, cmb13)) return combo;
  return GetDlgItem(chooser, edt1);
}

}  // namespace

std::vector<HWND> OwnedDialogs(HWND owner) {
  OwnedSearch s{owner, {}};
  EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

FileChooserAnswer::FileChooserAnswer(HWND owner, const std::wstring& fileName) : owner_(owner), fileName_(fileName) {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

FileChooserAnswer::~FileChooserAnswer() {
  SetEvent(stop_);
  if (thread_) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  CloseHandle(stop_);
}

std::vector<FileChooserAnswer::Seen> FileChooserAnswer::seen() const {
  qlv::MutexLock lock(mutex_);
  return seen_;
}

DWORD WINAPI FileChooserAnswer::ThreadMain(void* self) {
  static_cast<FileChooserAnswer*>(self)->Run();
  return 0;
}

void FileChooserAnswer::Run() {
  // Each chooser answered, and when. One still open two seconds after its answer took it
  // while it was still setting itself up (a loaded machine, an emulated one): it is answered
  // again, so that it cannot wait for ever, and counted once.
  std::vector<std::pair<HWND, DWORD>> answered;
  while (WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT) {
    for (HWND chooser : OwnedDialogs(owner_)) {
      HWND name = NameField(chooser);
      if (!name) continue;
      bool done = false;
      for (auto& a : answered) {
        if (a.first != chooser) continue;
        done = true;
        if (GetTickCount() - a.second > 2000) {
          SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName_.c_str()));
          PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
          a.second = GetTickCount();
        }
      }
      if (done) continue;
      Seen s;
      s.title = TextOf(chooser);
      s.owner = GetWindow(chooser, GW_OWNER);
      HWND types = GetDlgItem(chooser, cmb1);
      const LRESULT sel = types ? SendMessageW(types, CB_GETCURSEL, 0, 0) : CB_ERR;
      if (sel >= 0) {
        wchar_t buf[256] = {};
        if (SendMessageW(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) < 255)
          SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf));
        s.filter = buf;
      }
      SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName_.c_str()));
      PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
      answered.push_back({chooser, GetTickCount()});
      {
        qlv::MutexLock lock(mutex_);
        seen_.push_back(s);
      }
      ++count_;
    }
  }
}

POINT ClientPointOnScreen(HWND window, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(window, &p);
  return p;
}

void MouseTo(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  // A move event as well, so that the move goes through the input queue.
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void MouseButton(DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<uint8_t*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return nullptr;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      void* previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<uintptr_t>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return previous;
    }
  }
  return nullptr;
}

}  // namespace hosttest
