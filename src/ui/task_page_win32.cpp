#include "ui/task_page_win32.h"

#include <vector>

#include "res/resource.h"
#include "ui/refresh_kinds.h"

namespace qlv {

namespace {

// The field's text in the ANSI code page, as the settings hold it.
std::string AnsiText(HWND edit) {
  const int n = GetWindowTextLengthA(edit);
  if (n <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(n) + 1);
  const int got = GetWindowTextA(edit, buffer.data(), n + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

}  // namespace

TaskPage::TaskPage(SettingsAccess& settings, ActionCommands& commands)
    : ActionPage(IDD_TASK_PAGE, settings, commands) {}

BOOL TaskPage::OnInitDialog() {
  SetIcons({{IDC_TASK_SELECT, IDI_OPEN}, {IDC_TASK_RUN, IDI_PLAY}});
  CreateTooltip({{IDC_TASK_ENABLE, IDS_TIP_TASK_ENABLE},
                 {IDC_TASK_SELECT, IDS_TIP_TASK_SELECT},
                 {IDC_TASK_RUN, IDS_TIP_TASK_RUN},
                 {IDC_TASK_RESTART, IDS_TIP_TASK_RESTART}});
  PostToSelf(RefreshAll);
  return TRUE;
}

bool TaskPage::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_TASK_FILE) {
    // A command line, arguments and all: taken as typed once the field is left.
    if (code != EN_KILLFOCUS) return false;
    commands().SetTaskCommandLine(AnsiText(control ? control : Item(id)));
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_TASK_ENABLE:
      commands().SetSwitch(&SettingsRecord::ProcessEnable, Checked(id));
      PostToDialog(RefreshTaskImage);
      return true;
    case IDC_TASK_SELECT:
      if (commands().ChooseTaskFile(ChooserOwner(), StillHere())) PostToSelf(RefreshTaskFile);
      return true;
    case IDC_TASK_RESTART:
      commands().ToggleTaskRestart();
      PostToSelf(RefreshTaskRestart);
      return true;
    case IDC_TASK_RUN:
      commands().RunTask();
      return true;
    default:
      return false;
  }
}

bool TaskPage::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  if (msg != WM_REFRESH_CONTROLS) return false;
  Refresh(static_cast<uint32_t>(wParam));
  *result = 0;
  return true;
}

void TaskPage::Refresh(uint32_t kind) {
  for (ActionPageReload step : TaskPageReloads(kind)) {
    switch (step) {
      case ActionPageReload::EnableCheck:
        SetChecked(IDC_TASK_ENABLE, settings().Get(&SettingsRecord::ProcessEnable));
        break;
      case ActionPageReload::FileField:
        SetDlgItemTextA(hwnd(), IDC_TASK_FILE, settings().Get(&SettingsRecord::ProcessFileName).c_str());
        break;
      case ActionPageReload::RepeatIcon:
        SetButtonIcon(Item(IDC_TASK_RESTART), TaskRestartIcon(settings().Get(&SettingsRecord::ProcessRepeatEnable)));
        break;
    }
  }
}

}  // namespace qlv
