#include "ui/color_rows_page_win32.h"

#include <optional>

#include "res/resource.h"

namespace qlv {

ColorRowsPage::ColorRowsPage(UINT templateId, SettingsAccess& s, CommonDialogs& dialogs,
                             const std::vector<ColorRow>& rows)
    : SettingsPage(templateId, s), dialogs_(dialogs), rows_(rows) {
  for (const ColorRow& row : rows_) {
    int32_t SettingsRecord::*field = row.opacity;
    opacities_.push_back(std::make_unique<ValidatedNumberEdit>(
        ValidatedNumberEdit::Config{row.editId, row.spinId, {0, 100}, 3, IDS_MSG_OPACITY_RANGE, false,
                                    Resync::PageRefresh},
        [this, field] { return settings().Get(field); }, [this, field](int32_t v) { settings().Set(field, v); }));
  }
}

BOOL ColorRowsPage::OnInitDialog() {
  for (auto& field : opacities_) field->Attach(*this);
  PostRefresh(RefreshAll);
  return TRUE;
}

bool ColorRowsPage::OnCommand(WORD id, WORD code, HWND) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (id == rows_[i].swatchId) {
      if (code == BN_CLICKED) PickColor(rows_[i]);
      return true;
    }
    if (id == rows_[i].editId) {
      // Before the first reload the field is empty: nothing has been typed yet.
      if (code == EN_CHANGE && shown_) opacities_[i]->OnTextChanged();
      return true;
    }
  }
  return false;
}

bool ColorRowsPage::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return false;
  const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (!item) return false;
  for (const ColorRow& row : rows_) {
    if (static_cast<int>(item->CtlID) != row.swatchId) continue;
    ColorSwatchButton::Draw(*item, settings().Get(row.color));
    *result = TRUE;
    return true;
  }
  return false;
}

void ColorRowsPage::Refresh(uint32_t kind) {
  if (kind != RefreshAll) return;
  shown_ = true;
  for (auto& field : opacities_) field->ShowStored();
  for (const ColorRow& row : rows_) {
    if (HWND swatch = Item(row.swatchId))
      RedrawWindow(swatch, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}

void ColorRowsPage::PickColor(const ColorRow& row) {
  // The settings dialog owns the chooser and is disabled while it is up; no lock is held meanwhile.
  HWND owner = hwnd() ? GetAncestor(hwnd(), GA_ROOT) : nullptr;
  const std::optional<uint32_t> chosen =
      dialogs_.PickColor(reinterpret_cast<WindowHandle>(owner), settings().Get(row.color));
  if (chosen) settings().Set(row.color, *chosen);
  // The dialog may have been closed under the chooser: then there is no page to refresh.
  PostRefresh(RefreshAll);
}

}  // namespace qlv
