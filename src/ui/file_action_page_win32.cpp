#include "ui/file_action_page_win32.h"

#include <vector>

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

BOOL FileActionPage::OnInitDialog() {
  std::vector<IconButton> icons = {{page_.selectControl, IDI_OPEN}};
  std::vector<Tip> tips = {{page_.enableControl, page_.enableTip}, {page_.selectControl, page_.selectTip}};
  for (const FileActionPageSpec::ByHand& b : page_.byHand) {
    icons.push_back({b.control, b.icon});
    tips.push_back({b.control, b.tip});
  }
  tips.push_back({page_.repeatControl, page_.repeatTip});
  SetIcons(icons);
  CreateTooltip(tips);
  PostRefresh(RefreshAll);
  return TRUE;
}

bool FileActionPage::OnCommand(WORD id, WORD code, HWND control) {
  if (id == page_.fileControl) {
    if (!page_.typeFile || code != EN_KILLFOCUS) return false;
    (commands().*page_.typeFile)(AnsiWindowText(control ? control : Item(id)));
    return true;
  }
  if (code != BN_CLICKED) return false;
  if (id == page_.enableControl) {
    commands().SetSwitch(page_.enable, Checked(id));
    PostToDialog(page_.imageKind);
  } else if (id == page_.selectControl) {
    if ((commands().*page_.chooseFile)(ChooserOwner(), StillHere())) PostRefresh(page_.fileKind);
  } else if (id == page_.repeatControl) {
    (commands().*page_.toggleRepeat)();
    PostRefresh(page_.repeatKind);
  } else {
    for (const FileActionPageSpec::ByHand& b : page_.byHand) {
      if (id != b.control) continue;
      (commands().*b.run)();
      return true;
    }
    return false;
  }
  return true;
}

void FileActionPage::Refresh(uint32_t kind) {
  for (ActionPageReload step : ActionPageReloads(page_, kind)) {
    switch (step) {
      case ActionPageReload::EnableCheck:
        SetChecked(page_.enableControl, settings().Get(page_.enable));
        break;
      case ActionPageReload::FileField:
        SetDlgItemTextA(hwnd(), page_.fileControl, settings().Get(page_.file).c_str());
        break;
      case ActionPageReload::RepeatIcon:
        SetButtonIcon(Item(page_.repeatControl), RepeatIcon(page_, settings().Get(page_.repeat)));
        break;
    }
  }
}

}  // namespace qlv
