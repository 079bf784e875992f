// Pages made of colour rows: a swatch for a colour setting and an opacity field
// for its partner. The grid page has one row, the active-areas page four.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "ui/common_dialogs.h"
#include "ui/controls_win32.h"
#include "ui/pages_win32.h"
#include "ui/refresh_kinds.h"

namespace qlv {

struct ColorRow {
  int swatchId;
  uint32_t SettingsRecord::*color;
  int editId;
  int spinId;
  int32_t SettingsRecord::*opacity;
};

class ColorRowsPage : public SettingsPage {
 public:
  ColorRowsPage(UINT templateId, SettingsAccess& s, CommonDialogs& dialogs, const std::vector<ColorRow>& rows);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnDestroy() override { shown_ = false; }
  void Refresh(uint32_t kind) override;

 private:
  void PickColor(const ColorRow& row);

  CommonDialogs& dialogs_;
  std::vector<ColorRow> rows_;
  std::vector<std::unique_ptr<ValidatedNumberEdit>> opacities_;  // one per row
  bool shown_ = false;  // the fields hold the settings: their changes count
};

}  // namespace qlv
