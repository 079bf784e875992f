#include "overlay/state_overlay.h"

#include "detect/motion_detector.h"

namespace qlv {

void DrawStateAreas(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s) {
  if (!frame || !canvas.IsKnownFormat() || !grid.HasCells()) return;
  const uint32_t m = FullMask(s.FrameCounter);
  const int32_t columns = grid.columns(), rows = grid.rows();
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) {
      const size_t cell = static_cast<size_t>(i) * columns + j;
      uint32_t color;
      int32_t opacity;
      switch (CellStateOf(grid.watch()[cell], grid.history()[cell], m)) {
        case CellState::Inactive: color = s.InactiveColor; opacity = s.InactiveOpacity; break;
        case CellState::Alarm: color = s.AlarmColor; opacity = s.AlarmOpacity; break;
        case CellState::Active: color = s.ActiveColor; opacity = s.ActiveOpacity; break;
        default: color = s.DangerColor; opacity = s.DangerOpacity; break;
      }
      if (opacity <= 0) continue;  // clamped to 0: nothing would change
      CellRect r = CellRectOf(j, i, canvas.width(), canvas.height(), columns, rows);
      canvas.BlendFillRect(frame, r.left, r.top, r.right, r.bottom, color, opacity);
    }
  }
}

void DrawGrid(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s) {
  if (!frame || !canvas.IsKnownFormat() || !grid.HasCells()) return;
  const int32_t columns = grid.columns(), rows = grid.rows();
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) {
      CellRect r = CellRectOf(j, i, canvas.width(), canvas.height(), columns, rows);
      canvas.BlendFrameRect(frame, r.left, r.top, r.right, r.bottom, 1, s.GridColor, s.GridOpacity);
    }
  }
}

}  // namespace qlv
