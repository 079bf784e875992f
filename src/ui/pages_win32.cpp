#include "ui/pages_win32.h"

#include "res/resource.h"

namespace qlv {

RecordPage::RecordPage(SettingsAccess& s) : SettingsPage(IDD_RECORD_PAGE, s) {}
SoundPage::SoundPage(SettingsAccess& s) : SettingsPage(IDD_SOUND_PAGE, s) {}
TaskPage::TaskPage(SettingsAccess& s) : SettingsPage(IDD_TASK_PAGE, s) {}

}  // namespace qlv
