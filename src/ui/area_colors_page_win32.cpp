#include "ui/area_colors_page_win32.h"

#include "res/resource.h"

namespace qlv {

AreaColorsPage::AreaColorsPage(SettingsAccess& s, CommonDialogs& dialogs)
    : ColorRowsPage(IDD_AREA_COLORS_PAGE, s, dialogs,
                    {{IDC_AREA_INACTIVE_COLOR, &SettingsRecord::InactiveColor, IDC_AREA_INACTIVE_OPACITY_EDIT,
                      IDC_AREA_INACTIVE_OPACITY_SPIN, &SettingsRecord::InactiveOpacity},
                     {IDC_AREA_ACTIVE_COLOR, &SettingsRecord::ActiveColor, IDC_AREA_ACTIVE_OPACITY_EDIT,
                      IDC_AREA_ACTIVE_OPACITY_SPIN, &SettingsRecord::ActiveOpacity},
                     {IDC_AREA_DANGER_COLOR, &SettingsRecord::DangerColor, IDC_AREA_DANGER_OPACITY_EDIT,
                      IDC_AREA_DANGER_OPACITY_SPIN, &SettingsRecord::DangerOpacity},
                     {IDC_AREA_ALARM_COLOR, &SettingsRecord::AlarmColor, IDC_AREA_ALARM_OPACITY_EDIT,
                      IDC_AREA_ALARM_OPACITY_SPIN, &SettingsRecord::AlarmOpacity}}) {}

}  // namespace qlv
