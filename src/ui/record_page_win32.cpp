#include "ui/record_page_win32.h"

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

RecordPage::RecordPage(SettingsAccess& settings, ActionCommands& commands)
    : ActionPage(IDD_RECORD_PAGE, settings, commands) {}

BOOL RecordPage::OnInitDialog() {
  CreateTooltip({{IDC_RECORD_ENABLE, IDS_TIP_RECORD_ENABLE}});
  SetChecked(IDC_RECORD_ENABLE, settings().Get(&SettingsRecord::RecordEnable));
  // A type the list does not offer (3, from the file) selects no item.
  SendDlgItemMessageW(hwnd(), IDC_RECORD_TYPE, CB_SETCURSEL,
                      static_cast<WPARAM>(RecordTypeItem(settings().Get(&SettingsRecord::RecordType))), 0);
  SetChecked(IDC_RECORD_PAUSE, static_cast<uint32_t>(settings().Get(&SettingsRecord::RecordPause)));
  return TRUE;
}

bool RecordPage::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_RECORD_ENABLE:
      if (code != BN_CLICKED) return false;
      commands().SetSwitch(&SettingsRecord::RecordEnable, Checked(id));
      PostToDialog(RefreshRecordImage);
      return true;
    case IDC_RECORD_TYPE: {
      if (code != CBN_SELCHANGE) return false;
      const LRESULT item = SendDlgItemMessageW(hwnd(), id, CB_GETCURSEL, 0, 0);
      if (item >= 0) commands().SetRecordType(static_cast<int32_t>(item));
      return true;
    }
    case IDC_RECORD_PAUSE:
      if (code != BN_CLICKED) return false;
      commands().SetRecordPause(Checked(id));
      return true;
    default:
      return false;
  }
}

}  // namespace qlv
