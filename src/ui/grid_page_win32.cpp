#include "ui/grid_page_win32.h"

#include "res/resource.h"

namespace qlv {

GridPage::GridPage(SettingsAccess& s, CommonDialogs& dialogs)
    : ColorRowsPage(IDD_GRID_PAGE, s, dialogs,
                    {{IDC_GRID_COLOR, &SettingsRecord::GridColor, IDC_GRID_OPACITY_EDIT, IDC_GRID_OPACITY_SPIN,
                      &SettingsRecord::GridOpacity}}) {}

}  // namespace qlv
