// "Schedule" (template 5017): a modeless window of its own, owned by the settings dialog.
// The week as a grid of half hours that a press or a drag paints with the chosen brush
// (off, on by day, on at night), two buttons that fill it, the night settings each with
// its "as by day" box, and a line saying what holds now, read again every second. Every
// change goes to the plug-in at once through ScheduleCommands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/controls_win32.h"
#include "ui/dialog_win32.h"
#include "ui/schedule_commands.h"
#include "ui/schedule_editor.h"
#include "ui/settings_access.h"

namespace qlv {

class ScheduleWindow : public Dialog {
 public:
  ScheduleWindow(SettingsAccess& settings, ScheduleCommands& commands);

  // Creates the window owned by `owner` and beside it; when it is open already, brings it
  // to the front instead. False when it could not be made.
  bool Open(const LanguageSelector& language, HWND owner);
  // A day value or the grid may have changed: the fields are shown again. Nothing while
  // the window is closed.
  void PostReload();

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnRefresh(uint32_t kind) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnOK() override {}                  // Enter changes nothing
  void OnCancel() override { Destroy(); }  // Escape closes this window, not its owner
  void OnDestroy() override;
  void OnFinalDestroy() override { shown_ = false; }

 private:
  void Reload();
  void PlaceBeside(HWND owner);
  GridLayout Layout() const;
  void DrawGrid(const DRAWITEMSTRUCT& item);
  void DrawSwatch(const DRAWITEMSTRUCT& item, GuardMode mode);
  // The mouse on the window, in its client pixels: a press starts painting, a move
  // while pressed widens or narrows the painted rectangle, the release ends it.
  void OnMouse(UINT msg, LPARAM lParam);
  void SetLines(const ScheduleLines& lines);
  void OnAsByDay(size_t index);
  void ShowNow();
  void ShowDayValues();
  GuardMode Brush() const;

  SettingsAccess& settings_;
  ScheduleCommands& commands_;
  std::vector<std::unique_ptr<ValidatedNumberEdit>> fields_;  // as kNightFields
  ScheduleLines lines_;         // as last read or written
  ScheduleLines dragBase_;      // the lines when the press came
  SlotPoint dragFrom_;
  bool dragging_ = false;
  int32_t nowSlot_ = -1;        // day * 48 + slot marked as now on the grid
  bool shown_ = false;          // the fields hold the settings: their changes count
};

}  // namespace qlv
