#include "ui/dialog_win32.h"

#include <vector>

#include "res/resource.h"
#include "ui/dialog_init_data.h"

namespace qlv {

namespace {

// Messages whose answer is the dialog procedure's own result rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
  switch (msg) {
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

// A window's text through the W or the A calls.
template <typename Char, typename Length, typename Get>
std::basic_string<Char> TextOf(HWND window, Length length, Get get) {
  const int n = length(window);
  if (n <= 0) return std::basic_string<Char>();
  std::vector<Char> buffer(static_cast<size_t>(n) + 1);
  const int got = get(window, buffer.data(), n + 1);
  return std::basic_string<Char>(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

UINT AddStringMessage(uint16_t stored) {
  switch (stored) {
    case kInitAddComboBoxString: return CB_ADDSTRING;
    case kInitAddListBoxString: return LB_ADDSTRING;
    default: return 0;
  }
}

}  // namespace

Dialog::~Dialog() {
  // A window outliving its object would call into freed memory.
  if (HWND w = hwnd()) {
    SetWindowLongPtrW(w, DWLP_USER, 0);
    DestroyWindow(w);
  }
}

HWND Dialog::CreateModeless(const LanguageSelector& language, UINT templateId, HWND parent) {
  if (hwnd()) return hwnd();
  const void* tmpl = language.LoadDialogTemplate(templateId);
  if (!tmpl) return nullptr;
  language_ = &language;
  templateId_ = templateId;
  return Create(tmpl, parent);
}

HWND Dialog::CreateModeless(const void* dialogTemplate, HWND parent) {
  if (hwnd() || !dialogTemplate) return hwnd();
  language_ = nullptr;
  templateId_ = 0;
  return Create(dialogTemplate, parent);
}

HWND Dialog::Create(const void* tmpl, HWND parent) {
  modal_ = false;
  CreateDialogIndirectParamW(PluginResourceModule(), static_cast<LPCDLGTEMPLATEW>(tmpl), parent, &Dialog::Procedure,
                             reinterpret_cast<LPARAM>(this));
  return hwnd();
}

INT_PTR Dialog::RunModal(UINT templateId, Dialog& owner) {
  if (hwnd()) return -1;
  HMODULE module = PluginResourceModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* tmpl = loaded ? LockResource(loaded) : nullptr;
  if (!tmpl) return -1;
  language_ = nullptr;
  templateId_ = templateId;
  modal_ = true;
  owner.BeginModalState();
  const INT_PTR result = DialogBoxIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(tmpl), owner.hwnd(),
                                                 &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
  owner.EndModalState();
  modal_ = false;
  return result;
}

void Dialog::Destroy() {
  if (HWND w = hwnd()) DestroyWindow(w);
}

void Dialog::BeginModalState() {
  if (HWND w = hwnd()) EnableWindow(w, FALSE);
}

void Dialog::EndModalState() {
  if (HWND w = hwnd()) EnableWindow(w, TRUE);
}

void Dialog::ShowMessage(const std::wstring& text) {
  HWND top = hwnd() ? GetAncestor(hwnd(), GA_ROOT) : nullptr;
  MessageBoxW(top, text.c_str(), L"QPM_QLVGuard", MB_OK | MB_ICONINFORMATION);
}

void Dialog::OnOK() {
  if (modal_) EndModal(IDOK);
}

void Dialog::OnCancel() {
  if (modal_) EndModal(IDCANCEL);
}

void Dialog::EndModal(INT_PTR result) {
  if (HWND w = hwnd()) EndDialog(w, result);
}

void Dialog::AddInitLists() {
  if (!language_ || !templateId_) return;
  DWORD size = 0;
  const void* data = language_->LoadResourceData(MAKEINTRESOURCEA(RES_TYPE_DLGINIT), templateId_, &size);
  if (!data) return;
  for (const DialogInitItem& item : ParseDialogInitData(data, size).items) {
    if (const UINT msg = AddStringMessage(item.message))
      SendDlgItemMessageA(hwnd(), item.controlId, msg, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
      self = reinterpret_cast<Dialog*>(lParam);
      SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
      if (self) self->hwnd_.store(hwnd, std::memory_order_release);
    } else {
      self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;  // messages before WM_INITDIALOG
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_.store(nullptr, std::memory_order_release);
      self->OnFinalDestroy();
      return FALSE;
    }
    return self->Dispatch(msg, wParam, lParam);
  } catch (...) {
    // Nothing crosses into the host; the message counts as not handled.
    return FALSE;
  }
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      AddInitLists();
      return OnInitDialog();
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      const WORD code = HIWORD(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (OnCommand(id, code, control)) return TRUE;
      // Enter and Escape come as the default push button's command from the dialog manager.
      if (id == IDOK && (code == BN_CLICKED || !control)) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL && (code == BN_CLICKED || !control)) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
      LRESULT result = 0;
      if (!header || !OnNotify(*header, &result)) return FALSE;
      SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default: {
      LRESULT result = 0;
      if (msg == WM_REFRESH_CONTROLS && OnRefresh(static_cast<uint32_t>(wParam))) {
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, 0);
        return TRUE;
      }
      if (!OnMessage(msg, wParam, lParam, &result)) return FALSE;
      if (AnswersDirectly(msg)) return static_cast<INT_PTR>(result);
      SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

void SetButtonIcon(HWND button, UINT iconId) {
  if (!button) return;
  HANDLE icon = LoadImageW(PluginResourceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 0, 0, LR_SHARED);
  if (icon) SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

std::wstring WindowTextOf(HWND window) { return TextOf<wchar_t>(window, GetWindowTextLengthW, GetWindowTextW); }

std::string AnsiWindowText(HWND window) { return TextOf<char>(window, GetWindowTextLengthA, GetWindowTextA); }

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

}  // namespace qlv
