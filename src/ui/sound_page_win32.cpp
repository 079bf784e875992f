#include "ui/sound_page_win32.h"

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

SoundPage::SoundPage(SettingsAccess& settings, ActionCommands& commands)
    : ActionPage(IDD_SOUND_PAGE, settings, commands) {}

BOOL SoundPage::OnInitDialog() {
  SetIcons({{IDC_SOUND_SELECT, IDI_OPEN}, {IDC_SOUND_STOP, IDI_STOP}, {IDC_SOUND_PLAY, IDI_PLAY}});
  CreateTooltip({{IDC_SOUND_ENABLE, IDS_TIP_SOUND_ENABLE},
                 {IDC_SOUND_SELECT, IDS_TIP_SOUND_SELECT},
                 {IDC_SOUND_STOP, IDS_TIP_SOUND_STOP},
                 {IDC_SOUND_PLAY, IDS_TIP_SOUND_PLAY},
                 {IDC_SOUND_REPEAT, IDS_TIP_SOUND_LOOP}});
  PostToSelf(RefreshAll);
  return TRUE;
}

bool SoundPage::OnCommand(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_SOUND_ENABLE:
      commands().SetSwitch(&SettingsRecord::SoundEnable, Checked(id));
      PostToDialog(RefreshSoundImage);
      return true;
    case IDC_SOUND_SELECT:
      if (commands().ChooseSoundFile(ChooserOwner(), StillHere())) PostToSelf(RefreshSoundFile);
      return true;
    case IDC_SOUND_REPEAT:
      commands().ToggleSoundRepeat();
      PostToSelf(RefreshSoundRepeat);
      return true;
    case IDC_SOUND_PLAY:
      commands().PlaySound();
      return true;
    case IDC_SOUND_STOP:
      commands().StopSound();
      return true;
    default:
      return false;
  }
}

bool SoundPage::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  if (msg != WM_REFRESH_CONTROLS) return false;
  Refresh(static_cast<uint32_t>(wParam));
  *result = 0;
  return true;
}

void SoundPage::Refresh(uint32_t kind) {
  for (ActionPageReload step : SoundPageReloads(kind)) {
    switch (step) {
      case ActionPageReload::EnableCheck:
        SetChecked(IDC_SOUND_ENABLE, settings().Get(&SettingsRecord::SoundEnable));
        break;
      case ActionPageReload::FileField:
        SetDlgItemTextA(hwnd(), IDC_SOUND_FILE, settings().Get(&SettingsRecord::SoundFileName).c_str());
        break;
      case ActionPageReload::RepeatIcon:
        SetButtonIcon(Item(IDC_SOUND_REPEAT), SoundRepeatIcon(settings().Get(&SettingsRecord::SoundRepeatEnable)));
        break;
    }
  }
}

}  // namespace qlv
