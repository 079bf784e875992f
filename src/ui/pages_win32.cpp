#include "ui/pages_win32.h"

#include "res/resource.h"

namespace qlv {

RecordPage::RecordPage(SettingsAccess& s) : SettingsPage(IDD_RECORD_PAGE, s) {}
SoundPage::SoundPage(SettingsAccess& s) : SettingsPage(IDD_SOUND_PAGE, s) {}
TaskPage::TaskPage(SettingsAccess& s) : SettingsPage(IDD_TASK_PAGE, s) {}
CaptionPage::CaptionPage(SettingsAccess& s) : SettingsPage(IDD_CAPTION_PAGE, s) {}
GridPage::GridPage(SettingsAccess& s) : SettingsPage(IDD_GRID_PAGE, s) {}
AreaColorsPage::AreaColorsPage(SettingsAccess& s) : SettingsPage(IDD_AREA_COLORS_PAGE, s) {}
PreviewShowPage::PreviewShowPage(SettingsAccess& s) : ShowSwitchesPage(IDD_PREVIEW_SHOW_PAGE, s) {}
RecordShowPage::RecordShowPage(SettingsAccess& s) : ShowSwitchesPage(IDD_RECORD_SHOW_PAGE, s) {}

}  // namespace qlv
