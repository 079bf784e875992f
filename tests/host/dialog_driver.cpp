#include "dialog_driver.h"

#include <commctrl.h>

#include "host_windows.h"
#include "platform/mutex.h"

namespace hosttest {

const wchar_t kSettingsCaptionEnglish[] = L"QPM_QLVGuard plugin";
const wchar_t kSettingsCaptionRussian[] = L"QPM_QLVGuard \u043F\u043B\u0430\u0433\u0438\u043D";
const wchar_t kTuningCaptionEnglish[] = L"Detector tuning";
const wchar_t kTuningCaptionRussian[] =
    L"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430 \u0434\u0435\u0442\u0435\u043A\u0442\u043E\u0440\u0430";

namespace {

bool IsDialogClass(HWND w) {
  wchar_t cls[16] = {};
  return GetClassNameW(w, cls, 16) && lstrcmpW(cls, L"#32770") == 0;
}

bool OwnVisible(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid == GetCurrentProcessId() && IsWindowVisible(w);
}

BOOL CALLBACK CollectSettingsDialogs(HWND w, LPARAM lp) {
  if (OwnVisible(w) && IsSettingsDialog(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

BOOL CALLBACK CollectTuningWindows(HWND w, LPARAM lp) {
  if (OwnVisible(w) && IsTuningWindow(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// A message box, or any other modal box: a visible dialog window that is neither the
// settings dialog nor the tuning window.
BOOL CALLBACK CollectBoxes(HWND w, LPARAM lp) {
  if (OwnVisible(w) && IsDialogClass(w) && !IsSettingsDialog(w) && !IsTuningWindow(w))
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));  // MAPVK_VK_TO_VSC
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Draws `icon` at size w x h on magenta into 32-bit pixels.
std::vector<uint32_t> DrawIcon(HICON icon, int w, int h) {
  std::vector<uint32_t> pixels;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc && dib && bits) {
    HGDIOBJ old = SelectObject(dc, dib);
    RECT r = {0, 0, w, h};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &r, magenta);
    DeleteObject(magenta);
    DrawIconEx(dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + static_cast<size_t>(w) * h);
    SelectObject(dc, old);
  }
  if (dib) DeleteObject(dib);
  if (dc) DeleteDC(dc);
  return pixels;
}

bool IconSize(HICON icon, int* w, int* h) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return false;
  BITMAP bm = {};
  bool ok = false;
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
    *w = bm.bmWidth;
    *h = bm.bmHeight;
    ok = true;
  } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bm, &bm)) {
    *w = bm.bmWidth;
    *h = bm.bmHeight / 2;  // a monochrome icon: AND and XOR masks stacked
    ok = true;
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return ok;
}

thread_local CaptionActivationCounter* t_counter = nullptr;

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    hostsim::HostWindows::PumpMessages();
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool IsSettingsDialog(HWND window) {
  if (!window || !IsDialogClass(window)) return false;
  const std::wstring caption = WindowText(window);
  return caption == kSettingsCaptionEnglish || caption == kSettingsCaptionRussian;
}

std::vector<HWND> SettingsDialogs() {
  std::vector<HWND> found;
  EnumWindows(CollectSettingsDialogs, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindSettingsDialog() {
  const std::vector<HWND> all = SettingsDialogs();
  return all.empty() ? nullptr : all.front();
}

HWND WaitForSettingsDialog(DWORD timeoutMs) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindSettingsDialog()) != nullptr; }, timeoutMs);
  return found;
}

bool IsTuningWindow(HWND window) {
  if (!window || !IsDialogClass(window)) return false;
  const std::wstring caption = WindowText(window);
  return caption == kTuningCaptionEnglish || caption == kTuningCaptionRussian;
}

std::vector<HWND> TuningWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectTuningWindows, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND WaitForTuningWindow(DWORD timeoutMs) {
  HWND found = nullptr;
  PumpUntil([&] {
    const std::vector<HWND> all = TuningWindows();
    return (found = all.empty() ? nullptr : all.front()) != nullptr;
  }, timeoutMs);
  return found;
}

std::wstring WindowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = GetWindowTextW(window, &text[0], n + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

std::wstring ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetItemText(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ClickButton(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  hostsim::HostWindows::PumpMessages();
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

RECT ScreenRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

bool FocusForInput(HWND control) {
  HWND root = GetAncestor(control, GA_ROOT);
  if (!root) return false;
  SetForegroundWindow(root);
  if (!PumpUntil([&] { return GetForegroundWindow() == root; }, 5000)) return false;
  SetFocus(control);
  return GetFocus() == control;
}

bool PressKeys(HWND control, const std::vector<WORD>& keys) {
  if (!FocusForInput(control)) return false;
  for (WORD vk : keys) {
    SendKey(vk, false);
    SendKey(vk, true);
  }
  // The keys go to whichever window has the focus when they are taken from the
  // queue: let them all arrive before anyone moves the focus.
  hostsim::HostWindows::PumpMessages();
  return PumpUntil([] { return HIWORD(GetQueueStatus(QS_KEY)) == 0; }, 5000);
}

bool TypeInto(HWND edit, const std::string& digits) {
  if (!FocusForInput(edit)) return false;
  SendMessageW(edit, EM_SETSEL, 0, -1);
  std::vector<WORD> keys;
  for (char c : digits) keys.push_back(static_cast<WORD>(static_cast<unsigned char>(c)));  // VK '0'..'9' are the digits
  return PressKeys(edit, keys);
}

void ClickAt(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

bool ClickOn(HWND control) {
  const RECT r = ScreenRect(control);
  return ClickOn(control, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

bool ClickOn(HWND control, POINT screen) {
  HWND root = GetAncestor(control, GA_ROOT);
  if (!root) return false;
  SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(root);
  if (!PumpUntil([&] { return WindowFromPoint(screen) == control; }, 5000)) return false;
  ClickAt(screen);
  return true;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    const LRESULT len = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
    const LRESULT got = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    items.push_back(text);
  }
  return items;
}

std::vector<LRESULT> ComboValues(HWND combo) {
  std::vector<LRESULT> values;
  const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) values.push_back(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  return values;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

std::vector<std::wstring> TabTexts(HWND tab) {
  std::vector<std::wstring> texts;
  const LRESULT n = SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t buf[128] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 128;
    SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    texts.push_back(buf);
  }
  return texts;
}

int TabImage(HWND tab, int index) {
  TCITEMW item = {};
  item.mask = TCIF_IMAGE;
  item.iImage = -2;  // not an answer the control gives
  if (!SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return -3;
  return item.iImage;
}

int TabSelection(HWND tab) { return static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0)); }

POINT TabItemCentre(HWND tab, int index) {
  RECT r = {};
  SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(tab, &p);
  return p;
}

std::vector<bool> VisiblePages(HWND tab) {
  std::vector<bool> visible;
  // Children in Z order, which is their order of creation.
  for (HWND c = GetWindow(tab, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsDialogClass(c)) visible.push_back((GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0);
  return visible;
}

HICON ButtonIcon(HWND button) { return reinterpret_cast<HICON>(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0)); }

std::vector<uint32_t> IconPixels(HMODULE module, int iconId, int size) {
  HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, 0));
  if (!icon) return {};
  std::vector<uint32_t> pixels = DrawIcon(icon, size, size);
  DestroyIcon(icon);
  return pixels;
}

namespace {

struct TooltipSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindTooltipOf(HWND w, LPARAM lp) {
  TooltipSearch* s = reinterpret_cast<TooltipSearch*>(lp);
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (GetWindow(w, GW_OWNER) != s->owner || lstrcmpiW(cls, TOOLTIPS_CLASSW) != 0) return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

std::wstring TooltipText(HWND dialog, HWND control) {
  TooltipSearch search{dialog, nullptr};
  EnumWindows(FindTooltipOf, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return L"(no tooltip control)";
  wchar_t text[256] = {};
  TTTOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = dialog;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = text;
  SendMessageW(search.found, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
  return text;
}

bool IconIs(HICON shown, HMODULE module, int iconId) {
  int w = 0, h = 0;
  if (!shown || !IconSize(shown, &w, &h) || w != h) return false;
  const std::vector<uint32_t> expected = IconPixels(module, iconId, w);
  return !expected.empty() && DrawIcon(shown, w, h) == expected;
}

MessageBoxCatcher::MessageBoxCatcher() {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

MessageBoxCatcher::~MessageBoxCatcher() {
  SetEvent(stop_);
  if (thread_) {
    // The watcher may be asking one of this thread's windows for its text
    // (a sent message): keep serving sent messages until it has ended.
    MSG m;
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1)
      PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    CloseHandle(thread_);
  }
  CloseHandle(stop_);
}

std::vector<SeenMessageBox> MessageBoxCatcher::boxes() const {
  qlv::MutexLock lock(mutex_);
  return boxes_;
}

bool MessageBoxCatcher::WaitForCount(size_t n, DWORD timeoutMs) {
  return PumpUntil([&] { return count() >= n; }, timeoutMs);
}

DWORD WINAPI MessageBoxCatcher::ThreadMain(void* self) {
  static_cast<MessageBoxCatcher*>(self)->Run();
  return 0;
}

void MessageBoxCatcher::Run() {
  std::vector<HWND> handled;
  while (WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT) {
    std::vector<HWND> boxes;
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) {
      bool seen = false;
      for (HWND h : handled) seen = seen || h == box;
      if (seen) continue;
      // Visible means initialised; still, wait for the text rather than trust it.
      SeenMessageBox s;
      const DWORD at = GetTickCount();
      do {
        s = ReadMessageBox(box);
      } while (s.text.empty() && GetTickCount() - at < 5000 && WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT);
      {
        qlv::MutexLock lock(mutex_);
        boxes_.push_back(s);
      }
      handled.push_back(box);
      ++count_;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    // Forget closed boxes, so that a handle used again counts as a new box.
    std::vector<HWND> alive;
    for (HWND h : handled)
      if (IsWindow(h)) alive.push_back(h);
    handled.swap(alive);
  }
}

CaptionActivationCounter::CaptionActivationCounter(HWND window) : window_(window) {
  t_counter = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
}

CaptionActivationCounter::~CaptionActivationCounter() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_counter = nullptr;
}

LRESULT CALLBACK CaptionActivationCounter::Hook(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && t_counter) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (m->hwnd == t_counter->window_ && m->message == WM_NCACTIVATE)
      t_counter->seen_.push_back({GetTickCount(), m->wParam != 0});
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace hosttest
