#include "ui/show_pages_win32.h"

#include "res/resource.h"

namespace qlv {

BOOL ShowSwitchesPage::OnInitDialog() {
  PostRefresh(RefreshAll);
  return TRUE;
}

uint32_t SettingsRecord::*ShowSwitchesPage::FieldOf(WORD id) const {
  switch (id) {
    case IDC_SHOW_GRID: return switches_.grid;
    case IDC_SHOW_MASK: return switches_.mask;
    case IDC_SHOW_TIME: return switches_.time;
    default: return nullptr;
  }
}

bool ShowSwitchesPage::OnCommand(WORD id, WORD code, HWND) {
  uint32_t SettingsRecord::*field = FieldOf(id);
  if (!field) return false;
  if (code == BN_CLICKED) settings().Set(field, IsDlgButtonChecked(hwnd(), id) == BST_CHECKED ? 1u : 0u);
  return true;
}

void ShowSwitchesPage::Refresh(uint32_t kind) {
  if (kind != RefreshAll) return;
  for (WORD id : {IDC_SHOW_GRID, IDC_SHOW_MASK, IDC_SHOW_TIME})
    CheckDlgButton(hwnd(), id, settings().Get(FieldOf(id)) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

PreviewShowPage::PreviewShowPage(SettingsAccess& s)
    : ShowSwitchesPage(IDD_PREVIEW_SHOW_PAGE, s,
                       {&SettingsRecord::ShowGrid, &SettingsRecord::ShowMask, &SettingsRecord::ShowTime}) {}

RecordShowPage::RecordShowPage(SettingsAccess& s)
    : ShowSwitchesPage(IDD_RECORD_SHOW_PAGE, s,
                       {&SettingsRecord::RecShowGrid, &SettingsRecord::RecShowMask, &SettingsRecord::RecShowTime}) {}

}  // namespace qlv
