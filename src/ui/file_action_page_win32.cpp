#include "ui/file_action_page_win32.h"

#include <vector>

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

BOOL FileActionPage::OnInitDialog() {
  std::vector<IconButton> icons = {{spec_.selectControl, IDI_OPEN}};
  std::vector<Tip> tips = {{spec_.enableControl, spec_.enableTip}, {spec_.selectControl, spec_.selectTip}};
  for (const FileActionPageSpec::ByHand& b : spec_.byHand) {
    icons.push_back({b.control, b.icon});
    tips.push_back({b.control, b.tip});
  }
  tips.push_back({spec_.repeatControl, spec_.repeatTip});
  SetIcons(icons);
  CreateTooltip(tips);
  PostRefresh(RefreshAll);
  return TRUE;
}

bool FileActionPage::OnCommand(WORD id, WORD code, HWND control) {
  if (id == spec_.fileControl) {
    if (!spec_.typeFile || code != EN_KILLFOCUS) return false;
    (commands().*spec_.typeFile)(AnsiWindowText(control ? control : Item(id)));
    return true;
  }
  if (code != BN_CLICKED) return false;
  if (id == spec_.enableControl) {
    commands().SetSwitch(spec_.enable, Checked(id));
    PostToDialog(spec_.imageKind);
  } else if (id == spec_.selectControl) {
    if ((commands().*spec_.chooseFile)(ChooserOwner(), StillHere())) PostRefresh(spec_.fileKind);
  } else if (id == spec_.repeatControl) {
    (commands().*spec_.toggleRepeat)();
    PostRefresh(spec_.repeatKind);
  } else {
    for (const FileActionPageSpec::ByHand& b : spec_.byHand) {
      if (id != b.control) continue;
      (commands().*b.run)();
      return true;
    }
    return false;
  }
  return true;
}

void FileActionPage::Refresh(uint32_t kind) {
  for (ActionPageReload step : ActionPageReloads(spec_, kind)) {
    switch (step) {
      case ActionPageReload::EnableCheck:
        SetChecked(spec_.enableControl, settings().Get(spec_.enable));
        break;
      case ActionPageReload::FileField:
        SetDlgItemTextA(hwnd(), spec_.fileControl, settings().Get(spec_.file).c_str());
        break;
      case ActionPageReload::RepeatIcon:
        SetButtonIcon(Item(spec_.repeatControl), RepeatIcon(spec_, settings().Get(spec_.repeat)));
        break;
    }
  }
}

}  // namespace qlv
