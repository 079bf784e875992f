// "Grid" (template 5009): GridColor and GridOpacity.
#pragma once

#include "ui/color_rows_page_win32.h"

namespace qlv {

class GridPage : public ColorRowsPage {
 public:
  GridPage(SettingsAccess& s, CommonDialogs& dialogs);
};

}  // namespace qlv
