// The sound and the task page: one class, told apart by its FileActionPageSpec.
#pragma once

#include "ui/action_page_win32.h"
#include "ui/file_action_pages.h"

namespace qlv {

class FileActionPage : public ActionPage {
 public:
  FileActionPage(const FileActionPageSpec& spec, SettingsAccess& settings, ActionCommands& commands)
      : ActionPage(spec.templateId, settings, commands), spec_(spec) {}

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void Refresh(uint32_t kind) override;

 private:
  const FileActionPageSpec& spec_;
};

}  // namespace qlv
