#include "ui/controls_win32.h"

namespace qlv {

// ---- ValidatedNumberEdit ----------------------------------------------------

ValidatedNumberEdit::ValidatedNumberEdit(const Config& config, std::function<int32_t()> load,
                                         std::function<void(int32_t)> store)
    : config_(config), load_(std::move(load)), store_(std::move(store)), validator_(config.range, *this) {}

void ValidatedNumberEdit::Attach(Dialog& owner) {
  owner_ = &owner;
  HWND spin = owner.Item(config_.spinId);
  HWND edit = owner.Item(config_.editId);
  if (spin && edit) {
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(config_.range.min), static_cast<LPARAM>(config_.range.max));
  }
  if (edit) SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(config_.textLimit), 0);
}

void ValidatedNumberEdit::SetRange(NumberRange range) {
  config_.range = range;
  validator_.SetRange(range);
  if (HWND spin = owner_ ? owner_->Item(config_.spinId) : nullptr)
    SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(range.min), static_cast<LPARAM>(range.max));
}

std::string ValidatedNumberEdit::Text() {
  // Digits are all the reader accepts; anything else stays something else.
  std::string out;
  for (wchar_t c : WindowTextOf(owner_ ? owner_->Item(config_.editId) : nullptr))
    out += (c > 0 && c < 0x80) ? static_cast<char>(c) : '?';
  return out;
}

void ValidatedNumberEdit::ShowRefusal() {
  if (!owner_) return;
  const LanguageSelector* language = owner_->language();
  std::wstring text = language ? language->LoadWideString(config_.messageId) : std::wstring();
  if (config_.formatMessage) text = FormatRangeMessage(text, config_.range);
  owner_->ShowMessage(text);
}

void ValidatedNumberEdit::ShowValue(int32_t value) {
  if (!owner_) return;
  if (config_.resync == Resync::PageRefresh) {
    PostMessageW(owner_->hwnd(), WM_REFRESH_CONTROLS, 0, 0);
    return;
  }
  SetPosition(value);
}

void ValidatedNumberEdit::SetPosition(int32_t value) {
  if (!owner_) return;
  int32_t shown = config_.wholeValue ? value : static_cast<int16_t>(static_cast<uint32_t>(value) & 0xFFFF);
  if (HWND spin = owner_->Item(config_.spinId)) {
    SendMessageW(spin, UDM_SETPOS32, 0, shown);
    // The settings dialog's fields show the position, kept inside the range; a whole
    // value shows what is stored, which a grid smaller since may leave beyond it.
    if (!config_.wholeValue) shown = static_cast<int32_t>(SendMessageW(spin, UDM_GETPOS32, 0, 0));
  }
  // The up-down leaves a text alone that it believes current; the field must
  // end up showing the position whatever it held.
  HWND edit = owner_->Item(config_.editId);
  const std::wstring wanted = std::to_wstring(shown);
  if (edit && WindowTextOf(edit) != wanted) SetWindowTextW(edit, wanted.c_str());
}

void ValidatedNumberEdit::ShowStored() { SetPosition(load_()); }

// ---- swatches -----------------------------------------------------------------

void ColorSwatchButton::Draw(const DRAWITEMSTRUCT& item, COLORREF color) {
  const bool disabled = (item.itemState & ODS_DISABLED) != 0 || (item.hwndItem && !IsWindowEnabled(item.hwndItem));
  HBRUSH brush = disabled ? CreateHatchBrush(HS_FDIAGONAL, RGB(0x80, 0x80, 0x80)) : CreateSolidBrush(color & 0xFFFFFF);
  RECT r = item.rcItem;
  if (brush) FillRect(item.hDC, &r, brush);
  DrawEdge(item.hDC, &r, EDGE_BUMP, BF_RECT);
  if (brush) DeleteObject(brush);
}

void DrawFontButton(const DRAWITEMSTRUCT& item, const std::wstring& faceName) {
  RECT text = item.rcItem;
  text.left += 4;
  text.right -= 4;
  const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
  DrawTextW(item.hDC, faceName.c_str(), static_cast<int>(faceName.size()), &text,
            DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_WORD_ELLIPSIS);
  SetBkMode(item.hDC, oldMode);
  RECT frame = item.rcItem;
  DrawEdge(item.hDC, &frame, EDGE_BUMP, BF_RECT);
}

// ---- TabPages -----------------------------------------------------------------

void TabPages::AddTab(const std::wstring& caption) {
  if (!tab_) return;
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(caption.c_str());
  const int count = static_cast<int>(SendMessageW(tab_, TCM_GETITEMCOUNT, 0, 0));
  SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}

void TabPages::AddPage(Dialog& page, const LanguageSelector& language, UINT templateId) {
  pages_.push_back(&page);
  if (!tab_) return;
  if (HWND w = page.CreateModeless(language, templateId, tab_)) ShowWindow(w, SW_HIDE);
}

void TabPages::PlacePages() {
  if (!tab_) return;
  RECT r;
  GetClientRect(tab_, &r);
  SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  for (Dialog* page : pages_) {
    if (HWND w = page->hwnd())
      SetWindowPos(w, nullptr, r.left - 2, r.top, (r.right - r.left) + 2, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TabPages::ShowStored(int32_t stored) {
  if (!tab_) return;
  SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(stored), 0);
  if (stored < 0 || stored >= pageCount()) return;
  for (int i = 0; i < pageCount(); ++i) {
    if (HWND w = pages_[static_cast<size_t>(i)]->hwnd()) ShowWindow(w, i == stored ? SW_SHOW : SW_HIDE);
  }
}

int32_t TabPages::Selection() const {
  return tab_ ? static_cast<int32_t>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) : -1;
}

void TabPages::SetImage(int tab, int image) {
  if (!tab_) return;
  TCITEMW item = {};
  item.mask = TCIF_IMAGE;
  item.iImage = image;
  SendMessageW(tab_, TCM_SETITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
}

// ---- Tooltip ----------------------------------------------------------------------

void Tooltip::Create(HWND owner) {
  owner_ = owner;
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, PluginResourceModule(), nullptr);
}

void Tooltip::Add(HWND control, const std::wstring& text) {
  if (!tip_ || !control || text.empty()) return;
  TTTOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND;
  info.hwnd = owner_;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Tooltip::Activate() {
  if (tip_) SendMessageW(tip_, TTM_ACTIVATE, TRUE, 0);
}

}  // namespace qlv
