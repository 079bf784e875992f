// The sound and the task page: one class, told apart by its FileActionPageSpec.
#pragma once

#include "ui/action_page_win32.h"
#include "ui/file_action_pages.h"

namespace qlv {

class FileActionPage : public ActionPage {
 public:
  FileActionPage(const FileActionPageSpec& page, SettingsAccess& settings, ActionCommands& commands)
      : ActionPage(page.templateId, settings, commands), page_(page) {}

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void Refresh(uint32_t kind) override;

 private:
  const FileActionPageSpec& page_;
};

}  // namespace qlv
