#include "host_windows.h"

#include "plugin/host_commands.h"

namespace hostsim {

namespace {
const char kMainClass[] = "TMain";
const char kVideoClass[] = "TVideoFrame";
const char kMovieClass[] = "ActiveMovie Window";
const char kSettingsItem[] = "&Settings...\tF2";

// Menu bar of the main window: the one item a user of the plug-in needs.
HMENU CreateMainMenu() {
  HMENU bar = CreateMenu();
  HMENU plugin = CreatePopupMenu();
  if (!bar || !plugin) {
    if (bar) DestroyMenu(bar);
    if (plugin) DestroyMenu(plugin);
    return nullptr;
  }
  AppendMenuA(plugin, MF_STRING, HostWindows::kSettingsMenuCommand, kSettingsItem);
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(plugin), "&Plug-in");
  return bar;
}

// The top-level dialog of this thread that `m` is addressed to, or null.
HWND OwnDialogOf(const MSG& m) {
  if (!m.hwnd || m.message < WM_KEYFIRST || m.message > WM_KEYLAST) return nullptr;
  HWND root = GetAncestor(m.hwnd, GA_ROOT);
  char cls[16] = {};
  if (!root || !GetClassNameA(root, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0) return nullptr;
  return GetWindowThreadProcessId(root, nullptr) == GetCurrentThreadId() ? root : nullptr;
}

bool RegisterClasses(HINSTANCE instance, WNDPROC mainProc, WNDPROC videoProc, WNDPROC movieProc) {
  static bool registered = false;
  if (registered) return true;
  struct { const char* name; WNDPROC proc; } classes[] = {
      {kMainClass, mainProc}, {kVideoClass, videoProc}, {kMovieClass, movieProc}};
  for (const auto& c : classes) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = c.proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = c.name;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  registered = true;
  return true;
}

HostWindows* Owner(HWND w) { return reinterpret_cast<HostWindows*>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

// The HostCommand that the thread's message loop has just taken from its queue:
// when the window procedure then sees it, it was posted; otherwise it was sent.
struct PendingPost {
  HWND window;
  WPARAM code;
};
thread_local PendingPost t_pendingPost = {nullptr, 0};

void BindOwner(HWND w, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
}
}  // namespace

HostWindows::~HostWindows() { Destroy(); }

std::string HostWindows::MainTitle(const std::string& id) { return id.empty() ? "Quelvar" : "Quelvar.Inst" + id; }

std::string HostWindows::VideoTitle(const std::string& id) {
  return id.empty() ? "Video window" : "Video window.Inst" + id;
}

bool HostWindows::Create(const HostWindowOptions& o) {
  Destroy();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterClasses(instance, MainProc, VideoProc, MovieProc)) return false;
  languageAnswer_ = o.languageAnswer;
  versionAnswer_ = o.versionAnswer;
  quitOnClose_ = o.quitOnClose;
  const DWORD show = o.visible ? WS_VISIBLE : 0;
  HMENU menu = CreateMainMenu();
  main_ = CreateWindowExA(0, kMainClass, MainTitle(o.instanceId).c_str(), WS_OVERLAPPEDWINDOW | show, 0, 0, 320,
                          120, nullptr, menu, instance, this);
  if (!main_ && menu) DestroyMenu(menu);
  RECT r = {0, 0, o.videoWidth, o.videoHeight};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  video_ = CreateWindowExA(0, kVideoClass, VideoTitle(o.instanceId).c_str(),
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | show, 40, 140, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, instance, this);
  if (video_) {
    movie_ = CreateWindowExA(0, kMovieClass, kMovieClass, WS_CHILD | WS_VISIBLE, 0, 0, o.videoWidth, o.videoHeight,
                             video_, nullptr, instance, this);
  }
  getMessageHook_ = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
  if (!main_ || !video_ || !movie_ || !getMessageHook_) {
    Destroy();
    return false;
  }
  return true;
}

void HostWindows::Destroy() {
  if (getMessageHook_) UnhookWindowsHookEx(getMessageHook_);
  getMessageHook_ = nullptr;
  // Children go with their parent.
  if (video_) DestroyWindow(video_);
  if (main_) DestroyWindow(main_);
  main_ = video_ = movie_ = nullptr;
}

const char* HostWindows::SettingsMenuText() { return kSettingsItem; }

bool HostWindows::PumpMessages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) return false;
    if (HWND dialog = OwnDialogOf(m))
      if (IsDialogMessageA(dialog, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return true;
}

LRESULT CALLBACK HostWindows::GetMessageHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (m->message == qlv::kHostCommand) t_pendingPost = {m->hwnd, m->wParam};
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT HostWindows::HandleCommand(WPARAM wp, LPARAM lp) {
  const uint32_t code = static_cast<uint32_t>(wp);
  const bool posted = t_pendingPost.window == main_ && t_pendingPost.code == wp;
  t_pendingPost = {nullptr, 0};
  if (code == qlv::kCmdVersion) return static_cast<LRESULT>(versionAnswer_.load());
  if (code == qlv::kCmdLanguage) {
    ++languageQuestions_;
    return static_cast<LRESULT>(languageAnswer_.load());
  }
  log_.Add({code, static_cast<uint32_t>(lp), GetTickCount(), frameIndex_.load(), !posted});
  return OnCommand(code, lp);
}

bool HostWindows::HandleSettingsRequest(UINT msg, WPARAM wp, LPARAM lp) {
  const bool menuItem = msg == WM_COMMAND && HIWORD(wp) == 0 && LOWORD(wp) == kSettingsMenuCommand;
  // Bit 30: the key was already down, an auto-repeat that asks nothing new.
  const bool key = msg == WM_KEYDOWN && wp == VK_F2 && !(lp & (1 << 30));
  if (!menuItem && !key) return false;
  if (settingsHandler_ && !inSettingsRequest_) {
    inSettingsRequest_ = true;
    settingsHandler_();
    inSettingsRequest_ = false;
  }
  return true;
}

LRESULT CALLBACK HostWindows::MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  BindOwner(w, msg, lp);
  HostWindows* self = Owner(w);
  if (self && msg == qlv::kHostCommand) return self->HandleCommand(wp, lp);
  if (self && self->HandleSettingsRequest(msg, wp, lp)) return 0;
  if (self && msg == WM_DESTROY && self->quitOnClose_) PostQuitMessage(0);
  return DefWindowProcA(w, msg, wp, lp);
}

LRESULT CALLBACK HostWindows::VideoProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  BindOwner(w, msg, lp);
  HostWindows* self = Owner(w);
  if (self && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ++self->videoMouse_;
  if (self && self->HandleSettingsRequest(msg, wp, lp)) return 0;
  return DefWindowProcA(w, msg, wp, lp);
}

LRESULT CALLBACK HostWindows::MovieProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  BindOwner(w, msg, lp);
  // The video surface lets the mouse through to the frame window below it.
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace hostsim
