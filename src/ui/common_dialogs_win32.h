// The platform's own choosers (comdlg32).
#pragma once

#include <windows.h>

#include "ui/common_dialogs.h"

namespace qlv {

class Win32CommonDialogs : public CommonDialogs {
 public:
  std::optional<std::string> OpenFile(WindowHandle owner, const FileChoice& choice) override;
  std::optional<std::string> SaveFile(WindowHandle owner, const FileChoice& choice) override;
  std::optional<uint32_t> PickColor(WindowHandle owner, uint32_t initial) override;
  std::optional<CaptionFont> PickFont(WindowHandle owner, const FontRequest& request) override;

 private:
  COLORREF customColors_[16] = {};  // kept from one colour chooser to the next
};

}  // namespace qlv
