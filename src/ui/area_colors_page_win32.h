// "Active areas" (template 5012): the colour and opacity of each cell state.
#pragma once

#include "ui/color_rows_page_win32.h"

namespace qlv {

class AreaColorsPage : public ColorRowsPage {
 public:
  AreaColorsPage(SettingsAccess& s, CommonDialogs& dialogs);
};

}  // namespace qlv
