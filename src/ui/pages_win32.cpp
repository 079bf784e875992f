#include "ui/pages_win32.h"

#include "res/resource.h"

namespace qlv {

CaptionPage::CaptionPage(SettingsAccess& s) : SettingsPage(IDD_CAPTION_PAGE, s) {}
GridPage::GridPage(SettingsAccess& s) : SettingsPage(IDD_GRID_PAGE, s) {}
AreaColorsPage::AreaColorsPage(SettingsAccess& s) : SettingsPage(IDD_AREA_COLORS_PAGE, s) {}
PreviewShowPage::PreviewShowPage(SettingsAccess& s) : ShowSwitchesPage(IDD_PREVIEW_SHOW_PAGE, s) {}
RecordShowPage::RecordShowPage(SettingsAccess& s) : ShowSwitchesPage(IDD_RECORD_SHOW_PAGE, s) {}

}  // namespace qlv
