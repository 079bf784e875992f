// Our small dialog layer: one C++ object per dialog window, bound at
// WM_INITDIALOG, with messages dispatched to virtual handlers. Every dialog
// procedure lets no exception out; resources come from the module handle DllMain received.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "lang/language_selector_win32.h"

namespace qlv {

// Asks a dialog or a page to reload its controls from the settings; wParam: the RefreshKind.
constexpr UINT WM_REFRESH_CONTROLS = WM_USER + 400;

class Dialog {
 public:
  Dialog() = default;
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Null before creation and once the window is gone. Safe to read from any thread.
  HWND hwnd() const { return hwnd_.load(std::memory_order_acquire); }
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }

  // Modeless, from a template in memory. The combo-box lists stored with
  // `templateId` (if any) are added before OnInitDialog. Null on failure.
  HWND CreateModeless(const LanguageSelector& language, UINT templateId, HWND parent);
  // The same from a template already in memory, without combo-box lists.
  HWND CreateModeless(const void* dialogTemplate, HWND parent);
  // Modal, owned by `owner`, whose window alone is disabled meanwhile. The
  // template comes from the plug-in's module in whatever language it has.
  // Returns the EndModal value, or -1 when the dialog could not be made.
  INT_PTR RunModal(UINT templateId, Dialog& owner);
  void Destroy();

  // Only this window: a modal child must leave the host's own windows alone.
  virtual void BeginModalState();
  virtual void EndModalState();

  // An information box owned by this dialog's top-level window, which alone is
  // disabled while it is up.
  void ShowMessage(const std::wstring& text);
  // The selector the window was made with (null for a modal from the module).
  const LanguageSelector* language() const { return language_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // True when handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
  virtual bool OnNotify(NMHDR& header, LRESULT* result) { return false; }
  // WM_REFRESH_CONTROLS with its kind; true when handled (the answer is then 0),
  // false to let OnMessage have it.
  virtual bool OnRefresh(uint32_t kind) { return false; }
  // Any other message. For messages whose answer is the procedure's result
  // (colour and draw requests), `*result` is returned as it stands.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) { return false; }
  // Enter and Escape arrive as these; a modal dialog ends, a modeless one stays.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void OnDestroy() {}
  // After the last message: hwnd() is already null.
  virtual void OnFinalDestroy() {}

  void EndModal(INT_PTR result);
  bool IsModal() const { return modal_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  HWND Create(const void* tmpl, HWND parent);
  void AddInitLists();

  std::atomic<HWND> hwnd_{nullptr};
  bool modal_ = false;
  const LanguageSelector* language_ = nullptr;
  UINT templateId_ = 0;
};

// Puts a shared icon resource of the plug-in, at its own size, on a push button.
void SetButtonIcon(HWND button, UINT iconId);

// UTF-16 text of a window.
std::wstring WindowTextOf(HWND window);
// A window's text in the ANSI code page, as the settings hold it.
std::string AnsiWindowText(HWND window);
// Text in the ANSI code page (a setting) as UTF-16.
std::wstring AnsiToWide(const std::string& text);

}  // namespace qlv
