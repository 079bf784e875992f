#include "overlay/state_overlay.h"

#include <vector>

#include "detect/cell_state.h"

namespace qlv {

namespace {

struct Ink {
  uint32_t color;
  int32_t opacity;
  bool operator==(const Ink& o) const { return color == o.color && opacity == o.opacity; }
};

Ink InkOf(CellState state, const SettingsRecord& s) {
  switch (state) {
    case CellState::Inactive: return {s.InactiveColor, s.InactiveOpacity};
    case CellState::Alarm: return {s.AlarmColor, s.AlarmOpacity};
    case CellState::Active: return {s.ActiveColor, s.ActiveOpacity};
    default: return {s.DangerColor, s.DangerOpacity};
  }
}

}  // namespace

// Neighbouring cells of one band with the same colour and opacity are filled as one
// rectangle: every byte is still blended once with the same colour and weight (in YUV a
// pair split between two cells gets its chroma from the even pixel either way).
void DrawStateAreas(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s) {
  if (!frame || !canvas.IsKnownFormat() || !grid.HasCells()) return;
  const uint32_t m = FullMask(s.FrameCounter);
  const int32_t columns = grid.columns(), rows = grid.rows(), W = canvas.width(), H = canvas.height();
  for (int32_t i = 0; i < rows; ++i) {
    int32_t j = 0;
    while (j < columns) {
      const size_t first = static_cast<size_t>(i) * columns + j;
      const Ink ink = InkOf(CellStateOf(grid.watch()[first], grid.history()[first], m), s);
      int32_t end = j + 1;
      while (end < columns) {
        const size_t cell = static_cast<size_t>(i) * columns + end;
        if (!(InkOf(CellStateOf(grid.watch()[cell], grid.history()[cell], m), s) == ink)) break;
        ++end;
      }
      if (ink.opacity > 0) {  // opacity 0 (or below, clamped to 0) would change nothing
        CellRect a = CellRectOf(j, i, W, H, columns, rows), b = CellRectOf(end - 1, i, W, H, columns, rows);
        canvas.BlendFillRect(frame, a.left, a.top, b.right, b.bottom, ink.color, ink.opacity);
      }
      j = end;
    }
  }
}

// When every cell is at least 2 x 2 pixels the cell outlines are disjoint rings that cover
// whole frame rows (each band's first and last row) and, in between, two columns per cell:
// drawn as such, each pixel is blended once, exactly as ring by ring. Smaller cells draw
// ring by ring, where degenerate rings may overlap.
void DrawGrid(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s) {
  if (!frame || !canvas.IsKnownFormat() || !grid.HasCells()) return;
  const int32_t columns = grid.columns(), rows = grid.rows(), W = canvas.width(), H = canvas.height();
  std::vector<int32_t> xs;
  bool large = true;
  for (int32_t j = 0; j < columns && large; ++j) {
    CellRect r = CellRectOf(j, 0, W, H, columns, rows);
    large = r.right - r.left >= 2;
    xs.push_back(r.left);
    xs.push_back(r.right - 1);
  }
  for (int32_t i = 0; i < rows && large; ++i) {
    CellRect r = CellRectOf(0, i, W, H, columns, rows);
    large = r.bottom - r.top >= 2;
  }
  if (!large) {
    for (int32_t i = 0; i < rows; ++i)
      for (int32_t j = 0; j < columns; ++j) {
        CellRect r = CellRectOf(j, i, W, H, columns, rows);
        canvas.BlendFrameRect(frame, r.left, r.top, r.right, r.bottom, 1, s.GridColor, s.GridOpacity);
      }
    return;
  }
  for (int32_t i = 0; i < rows; ++i) {
    CellRect r = CellRectOf(0, i, W, H, columns, rows);
    canvas.BlendHSpan(frame, 0, W - 1, r.top, true, s.GridColor, s.GridOpacity);
    canvas.BlendColumns(frame, xs.data(), static_cast<int32_t>(xs.size()), r.top + 1, r.bottom - 1, s.GridColor,
                        s.GridOpacity);
    canvas.BlendHSpan(frame, 0, W - 1, r.bottom - 1, true, s.GridColor, s.GridOpacity);
  }
}

}  // namespace qlv
