#include "ui_driver.h"

#include <algorithm>
#include <utility>

#include "res/resource.h"

namespace hostsim {

namespace {

constexpr UINT kRunAction = WM_APP + 40;  // wParam: index into the actions
constexpr UINT_PTR kBoxTimer = 1;
constexpr UINT kBoxTimerMs = 100;
const char kDriverClass[] = "HostsimUiDriver";

bool HasClass(HWND w, const wchar_t* name) {
  wchar_t cls[32] = {};
  return GetClassNameW(w, cls, 32) && lstrcmpiW(cls, name) == 0;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// The command line's words are in the ANSI code page.
std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return L"";
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

std::wstring TextOf(HWND w) {
  const int n = GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  const int got = GetWindowTextW(w, &text[0], n + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

struct OwnedSearch {
  HWND owner;
  std::vector<HWND>* found;
  bool needsOkButton;  // the settings dialog is told from a message box by its IDC_OK
};

BOOL CALLBACK CollectOwnedDialogs(HWND w, LPARAM lp) {
  OwnedSearch* s = reinterpret_cast<OwnedSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId() || GetWindow(w, GW_OWNER) != s->owner || !HasClass(w, L"#32770")) return TRUE;
  if (s->needsOkButton && !GetDlgItem(w, IDC_OK)) return TRUE;
  s->found->push_back(w);
  return TRUE;
}

std::vector<HWND> OwnedDialogs(HWND owner, bool needsOkButton) {
  std::vector<HWND> found;
  if (!owner) return found;
  OwnedSearch s{owner, &found, needsOkButton};
  EnumWindows(CollectOwnedDialogs, reinterpret_cast<LPARAM>(&s));
  return found;
}

struct ControlSearch {
  int32_t id;
  std::vector<HWND>* found;
};

BOOL CALLBACK CollectControls(HWND w, LPARAM lp) {
  ControlSearch* s = reinterpret_cast<ControlSearch*>(lp);
  if (GetDlgCtrlID(w) == s->id) s->found->push_back(w);
  return TRUE;
}

// A message box, or another modal box of texts and buttons only (the about box).
struct BoxCheck {
  bool onlyTextAndButtons = true;
  std::wstring text;
};

BOOL CALLBACK CheckBoxChild(HWND child, LPARAM lp) {
  BoxCheck* c = reinterpret_cast<BoxCheck*>(lp);
  if (HasClass(child, L"Button")) return TRUE;
  if (!HasClass(child, L"Static")) {
    c->onlyTextAndButtons = false;
    return FALSE;
  }
  const LONG type = GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK;
  if (type == SS_ICON || type == SS_BITMAP) return TRUE;
  const std::wstring t = TextOf(child);
  if (!t.empty()) c->text += (c->text.empty() ? L"" : L" ") + t;
  return TRUE;
}

BOOL CALLBACK CollectThreadDialogs(HWND w, LPARAM lp) {
  if (IsWindowVisible(w) && HasClass(w, L"#32770")) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::string FrameText(int64_t frame) { return "frame " + std::to_string(frame) + ": "; }

}  // namespace

HWND FindOwnedDialog(HWND owner) {
  const std::vector<HWND> found = OwnedDialogs(owner, false);
  return found.empty() ? nullptr : found.front();
}

UiDriver::UiDriver(HostSession& session, std::vector<UiAction> actions, std::function<void(const std::string&)> log)
    : session_(session), actions_(std::move(actions)), log_(std::move(log)) {}

UiDriver::~UiDriver() {
  if (window_) {
    KillTimer(window_, kBoxTimer);
    DestroyWindow(window_);
  }
}

bool UiDriver::Create() {
  static const ATOM atom = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &UiDriver::WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kDriverClass;
    return RegisterClassA(&wc);
  }();
  if (!atom || window_) return window_ != nullptr;
  window_ = CreateWindowExA(0, kDriverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window_) return false;
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetTimer(window_, kBoxTimer, kBoxTimerMs, nullptr);
  return true;
}

LRESULT CALLBACK UiDriver::WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<UiDriver*>(GetWindowLongPtrA(w, GWLP_USERDATA));
  if (self && msg == kRunAction) {
    self->RunPosted(static_cast<size_t>(wp));
    return 0;
  }
  if (self && msg == WM_TIMER && wp == kBoxTimer) {
    self->CloseMessageBoxes();
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

void UiDriver::PostFrame(int64_t frame) {
  // A post that fails is tried again after the next frame; Finish reports what never went.
  for (; nextPost_ < actions_.size() && actions_[nextPost_].frame <= frame; ++nextPost_)
    if (!window_ || !PostMessageA(window_, kRunAction, nextPost_, 0)) break;
}

void UiDriver::Finish(int64_t lastFrame) {
  // What was posted runs first; the frame thread has ended, so nothing more comes.
  MSG m;
  while (window_ && PeekMessageA(&m, window_, kRunAction, kRunAction, PM_REMOVE)) DispatchMessageA(&m);
  for (size_t i = nextPost_; i < actions_.size(); ++i) {
    Outcome o;
    o.action = actions_[i];
    o.why = "not reached, the last frame was " + std::to_string(lastFrame);
    Log(FrameText(o.action.frame) + DescribeUiAction(o.action) + ": not done, " + o.why);
    outcomes_.push_back(o);
  }
  if (window_) KillTimer(window_, kBoxTimer);
  CloseMessageBoxes();
}

size_t UiDriver::failures() const {
  return static_cast<size_t>(std::count_if(outcomes_.begin(), outcomes_.end(), [](const Outcome& o) { return !o.done; }));
}

void UiDriver::RunPosted(size_t index) {
  if (index >= actions_.size()) return;
  // An action that waits in a modal loop (a message box, the about box) lets the next
  // post in; it runs once the first one is over, as a user's next step would.
  pending_.push_back(index);
  if (running_) return;
  running_ = true;
  for (size_t i = 0; i < pending_.size(); ++i) Run(actions_[pending_[i]]);
  pending_.clear();
  running_ = false;
}

std::vector<HWND> UiDriver::PluginWindows() const {
  const std::vector<HWND> settings = OwnedDialogs(session_.windows().mainWindow(), true);
  if (settings.empty()) return {};
  std::vector<HWND> windows;
  for (HWND w : OwnedDialogs(settings.front(), false))
    if (IsWindowVisible(w)) windows.push_back(w);
  windows.push_back(settings.front());
  return windows;
}

HWND UiDriver::FindControl(int32_t id) const {
  std::vector<HWND> found;
  ControlSearch search{id, &found};
  for (HWND w : PluginWindows()) EnumChildWindows(w, CollectControls, reinterpret_cast<LPARAM>(&search));
  for (HWND c : found)
    if (IsWindowVisible(c)) return c;
  return found.empty() ? nullptr : found.front();
}

bool UiDriver::ControlText(int32_t id, std::string* text) const {
  HWND c = FindControl(id);
  if (!c) return false;
  *text = Utf8(TextOf(c));
  return true;
}

UiDriver::Outcome UiDriver::Run(const UiAction& a) {
  Outcome o;
  o.action = a;
  const std::string line = FrameText(a.frame) + DescribeUiAction(a);
  if (a.kind == UiActionKind::Settings) {
    Log(line);
    session_.RequestSettings();
    o.done = !PluginWindows().empty();
    if (!o.done) o.why = "no settings dialog came";
  } else if (HWND control = Target(a, &o.why)) {
    // Logged first: a message box the action brings is logged while it runs.
    Log(line);
    if (a.kind == UiActionKind::Press)
      SendMessageW(control, BM_CLICK, 0, 0);
    else
      Type(control, a.text);
    o.done = true;
  }
  if (!o.done) Log(line + ": not done, " + o.why);
  outcomes_.push_back(o);
  return o;
}

HWND UiDriver::Target(const UiAction& a, std::string* why) const {
  HWND control = FindControl(a.controlId);
  if (!control)
    *why = PluginWindows().empty() ? "the settings dialog is not open" : "no such control in the plug-in's open windows";
  else if (!IsWindowVisible(control))
    *why = "the control is hidden";
  else if (!IsWindowEnabled(control))
    *why = "the control is disabled";
  else if (a.kind == UiActionKind::Press && !HasClass(control, L"Button"))
    *why = "the control is no button";
  else if (a.kind == UiActionKind::Text && !HasClass(control, L"Edit"))
    *why = "the control is no edit";
  else if (a.kind == UiActionKind::Text && (GetWindowLongW(control, GWL_STYLE) & ES_READONLY))
    *why = "the edit is read-only";
  else
    return control;
  return nullptr;
}

void UiDriver::Type(HWND edit, const std::string& text) {
  // Into the field, the whole text replaced at once (as with a paste, so that no
  // half-typed number is checked on its own), then on to the next field.
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  const std::wstring wide = FromAnsi(text);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
  if (!IsWindow(edit)) return;
  HWND next = GetNextDlgTabItem(GetAncestor(edit, GA_ROOT), edit, FALSE);
  SetFocus(next != edit ? next : nullptr);
}

void UiDriver::CloseMessageBoxes() {
  closing_.erase(std::remove_if(closing_.begin(), closing_.end(), [](HWND w) { return !IsWindow(w); }), closing_.end());
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectThreadDialogs, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND box : dialogs) {
    if (std::find(closing_.begin(), closing_.end(), box) != closing_.end()) continue;
    BoxCheck check;
    EnumChildWindows(box, CheckBoxChild, reinterpret_cast<LPARAM>(&check));
    HWND ok = GetDlgItem(box, IDOK);
    if (!check.onlyTextAndButtons || !ok) continue;
    SeenBox seen;
    seen.frame = session_.windows().frameIndex();
    seen.text = OneLine(Utf8(check.text));
    Log(FrameText(seen.frame) + "message box \"" + seen.text + "\", closed with OK");
    boxes_.push_back(seen);
    closing_.push_back(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  }
}

}  // namespace hostsim
