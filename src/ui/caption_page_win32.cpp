#include "ui/caption_page_win32.h"

#include <richedit.h>

#include <cstring>
#include <vector>

#include "res/resource.h"

namespace qlv {

namespace {

constexpr char kFormatFieldFace[] = "Arial";

}  // namespace

CaptionPage::CaptionPage(SettingsAccess& s, CaptionEditor& caption, CommonDialogs& dialogs)
    : SettingsPage(IDD_CAPTION_PAGE, s),
      caption_(caption),
      dialogs_(dialogs),
      opacity_({IDC_CAPTION_OPACITY_EDIT, IDC_CAPTION_OPACITY_SPIN, {0, 100}, 3, IDS_MSG_OPACITY_RANGE, false,
                Resync::PageRefresh},
               [this] { return caption_.settings().TextOpacity; },
               [this](int32_t v) { caption_.SetTextOpacity(v); }) {}

BOOL CaptionPage::OnInitDialog() {
  SetUpFormatField();
  if (const LanguageSelector* language = this->language()) {
    if (const void* tmpl = language->LoadMenuTemplate(IDR_TIME_FORMAT_MENU)) {
      menu_ = LoadMenuIndirectW(tmpl);
      formatMenu_ = menu_ ? GetSubMenu(menu_, 0) : nullptr;
    }
  }
  opacity_.Attach(*this);
  SendDlgItemMessageW(hwnd(), IDC_CAPTION_POSITION, CB_SETCURSEL,
                      static_cast<WPARAM>(caption_.settings().TextPos), 0);
  PostRefresh(RefreshAll);
  return TRUE;
}

void CaptionPage::SetUpFormatField() {
  HWND field = Item(IDC_CAPTION_FORMAT);
  if (!field) return;
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  SendMessageA(field, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  format.dwMask |= CFM_FACE;
  std::memset(format.szFaceName, 0, sizeof format.szFaceName);
  std::memcpy(format.szFaceName, kFormatFieldFace, sizeof kFormatFieldFace);
  for (WPARAM which : {static_cast<WPARAM>(SCF_DEFAULT), static_cast<WPARAM>(SCF_SELECTION),
                       static_cast<WPARAM>(SCF_WORD | SCF_SELECTION)})
    SendMessageA(field, EM_SETCHARFORMAT, which, reinterpret_cast<LPARAM>(&format));
  SendMessageA(field, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_MOUSEEVENTS);
}

bool CaptionPage::OnCommand(WORD id, WORD code, HWND control) {
  if (!control) {
    // A command with no control window: an item of the format menu.
    if (id >= ID_TIMEFMT_FIRST && id <= ID_TIMEFMT_LAST) {
      InsertMenuCode(id);
      return true;
    }
    return false;
  }
  switch (id) {
    case IDC_CAPTION_FORMAT:
      if (code == EN_CHANGE) OnFormatChanged();
      return true;
    case IDC_CAPTION_OPACITY_EDIT:
      // Before the first reload the field is empty: nothing has been typed yet.
      if (code == EN_CHANGE && shown_) opacity_.OnTextChanged();
      return true;
    case IDC_CAPTION_POSITION:
      if (code == CBN_SELCHANGE) {
        const LRESULT sel = SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (sel >= 0) caption_.SetTextPos(static_cast<int32_t>(sel));
      }
      return true;
    case IDC_CAPTION_FONT:
      if (code == BN_CLICKED) OnFontButton();
      return true;
    case IDC_CAPTION_COLOR:
      if (code == BN_CLICKED) OnColorButton();
      return true;
    default:
      return false;
  }
}

bool CaptionPage::OnNotify(NMHDR& header, LRESULT* result) {
  if (header.idFrom != IDC_CAPTION_FORMAT || header.code != EN_MSGFILTER) return false;
  const MSGFILTER& filter = reinterpret_cast<const MSGFILTER&>(header);
  if (filter.msg == WM_RBUTTONUP) ShowFormatMenu(filter.lParam);
  *result = 0;  // not filtered: the field handles the click as usual
  return true;
}

bool CaptionPage::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return false;
  const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (!item) return false;
  if (item->CtlID == IDC_CAPTION_COLOR) {
    ColorSwatchButton::Draw(*item, caption_.settings().TextColor);
  } else if (item->CtlID == IDC_CAPTION_FONT) {
    DrawFontButton(*item, AnsiToWide(caption_.settings().FontName));
  } else {
    return false;
  }
  *result = TRUE;
  return true;
}

void CaptionPage::OnDestroy() {
  if (menu_) DestroyMenu(menu_);
  menu_ = nullptr;
  formatMenu_ = nullptr;
  shown_ = false;
}

void CaptionPage::Refresh(uint32_t kind) {
  if (kind != RefreshAll) return;
  shown_ = true;
  opacity_.ShowStored();
  RedrawButton(IDC_CAPTION_FONT);
  RedrawButton(IDC_CAPTION_COLOR);
  // Rewriting an unchanged text would only lose the caret and the selection.
  HWND field = Item(IDC_CAPTION_FORMAT);
  const std::string& format = caption_.settings().TimeFormat;
  if (field && AnsiWindowText(field) != format) SetWindowTextA(field, format.c_str());
}

void CaptionPage::RedrawButton(int id) {
  if (HWND button = Item(id)) RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CaptionPage::OnFormatChanged() {
  HWND field = Item(IDC_CAPTION_FORMAT);
  if (!field) return;
  const std::string text = AnsiWindowText(field);
  // The reload's own rewrite comes back here; the caption already shows it.
  if (text == caption_.settings().TimeFormat) return;
  caption_.SetTimeFormat(text);
}

void CaptionPage::ShowFormatMenu(LPARAM clientPoint) {
  HWND field = Item(IDC_CAPTION_FORMAT);
  if (!formatMenu_ || !field) return;
  POINT at = {static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
  ClientToScreen(field, &at);
  // The chosen item comes back as a posted command, which a destroyed page never sees.
  TrackPopupMenu(formatMenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void CaptionPage::InsertMenuCode(UINT commandId) {
  HWND field = Item(IDC_CAPTION_FORMAT);
  if (!field) return;
  std::string code;
  const int length = formatMenu_ ? GetMenuStringA(formatMenu_, commandId, nullptr, 0, MF_BYCOMMAND) : 0;
  if (length > 0) {
    // Room for a double-byte code page's text.
    std::vector<char> text(static_cast<size_t>(length) * 2 + 2, '\0');
    GetMenuStringA(formatMenu_, commandId, text.data(), static_cast<int>(text.size()), MF_BYCOMMAND);
    // Every item starts with its code: "%H - Hour in 24-hour format".
    code.assign(text.data(), strnlen(text.data(), 2));
  }
  SendMessageA(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(code.c_str()));
  OnFormatChanged();
}

WindowHandle CaptionPage::ChooserOwner() const {
  return reinterpret_cast<WindowHandle>(hwnd() ? GetAncestor(hwnd(), GA_ROOT) : nullptr);
}

void CaptionPage::OnFontButton() {
  caption_.PickFont(dialogs_, ChooserOwner());
  // The dialog may have been closed under the chooser: then there is no page to refresh.
  PostRefresh(RefreshAll);
}

void CaptionPage::OnColorButton() {
  caption_.PickColor(dialogs_, ChooserOwner());
  PostRefresh(RefreshAll);
}

}  // namespace qlv
