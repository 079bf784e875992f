// Drives the plug-in's settings dialog from the thread that owns it, as a user
// would: finds it, reads and sets its controls, clicks and types with real input,
// and catches the message boxes it shows. Every wait pumps this thread's messages
// (through the host's loop) until a condition holds or a time limit passes.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "message_box_watch.h"
#include "platform/mutex.h"

namespace hosttest {

extern const wchar_t kSettingsCaptionEnglish[];  // "QPM_QLVGuard plugin"
extern const wchar_t kSettingsCaptionRussian[];  // "QPM_QLVGuard плагин"

// Pumps this thread's messages until `done()` is true; false when `timeoutMs` passed first.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000);

// True for a window of the settings dialog's class and caption (either language).
bool IsSettingsDialog(HWND window);
// Every visible settings dialog of this process, and the first of them (null: none).
std::vector<HWND> SettingsDialogs();
HWND FindSettingsDialog();
// Pumps until the settings dialog is visible; null when it did not come.
HWND WaitForSettingsDialog(DWORD timeoutMs = 15000);

extern const wchar_t kTuningCaptionEnglish[];  // "Detector tuning"
extern const wchar_t kTuningCaptionRussian[];  // "Настройка детектора"
// The same for the detector tuning window.
bool IsTuningWindow(HWND window);
std::vector<HWND> TuningWindows();
HWND WaitForTuningWindow(DWORD timeoutMs = 15000);

std::wstring WindowText(HWND window);
std::wstring ItemText(HWND dialog, int id);
// One WM_SETTEXT: the whole text changes at once, as with a paste.
void SetItemText(HWND dialog, int id, const std::wstring& text);
// The button's own click (BM_CLICK), then the messages it caused are pumped.
void ClickButton(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
RECT ScreenRect(HWND window);

// Real input. The target's top-level window is brought to the foreground and the
// control focused first; false when that could not be done.
bool FocusForInput(HWND control);
// Presses and releases each virtual key in turn, and pumps until they were handled.
bool PressKeys(HWND control, const std::vector<WORD>& keys);
// Selects the edit's whole text and types `digits` key by key.
bool TypeInto(HWND edit, const std::string& digits);
// A left click at a point in screen coordinates.
void ClickAt(POINT screen);
// Raises the control's top-level window, as a user brings a covered window up, and
// clicks the control at `screen` (default: its centre). False when the point does
// not reach the control.
bool ClickOn(HWND control);
bool ClickOn(HWND control, POINT screen);

// Combo box: item texts, item values, the selected index.
std::vector<std::wstring> ComboItems(HWND combo);
std::vector<LRESULT> ComboValues(HWND combo);
int ComboSelection(HWND combo);

// Tab control: item texts, the image index of one item, the selected index,
// the centre of an item in screen coordinates, and which of its child pages are visible.
std::vector<std::wstring> TabTexts(HWND tab);
int TabImage(HWND tab, int index);
int TabSelection(HWND tab);
POINT TabItemCentre(HWND tab, int index);
std::vector<bool> VisiblePages(HWND tab);

// Text of the tooltip that the dialog's tooltip control holds for `control`.
std::wstring TooltipText(HWND dialog, HWND control);
// The icon a push button shows (BM_GETIMAGE).
HICON ButtonIcon(HWND button);
// True when `shown` draws exactly as icon resource `iconId` of `module` at the same size.
bool IconIs(HICON shown, HMODULE module, int iconId);
// The icon resource's pixels at size x size, drawn on magenta (to tell two icons apart).
std::vector<uint32_t> IconPixels(HMODULE module, int iconId, int size);

// Catches every message box of this process that appears while it lives (windows
// of class "#32770" other than the settings dialog and the tuning window), reads it
// and presses OK.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  size_t count() const { return count_.load(); }
  std::vector<SeenMessageBox> boxes() const;
  // Pumps until `n` boxes in all have been seen and closed.
  bool WaitForCount(size_t n, DWORD timeoutMs = 15000);

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  mutable qlv::Mutex mutex_;
  std::vector<SeenMessageBox> boxes_;
  std::atomic<size_t> count_{0};
};

// Counts the WM_NCACTIVATE messages that reach `window` on this thread while it lives.
class CaptionActivationCounter {
 public:
  explicit CaptionActivationCounter(HWND window);
  ~CaptionActivationCounter();
  struct Seen {
    DWORD tick;
    bool active;  // wParam: the caption drawn active
  };
  const std::vector<Seen>& seen() const { return seen_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
  HWND window_;
  HHOOK hook_ = nullptr;
  std::vector<Seen> seen_;
};

}  // namespace hosttest
