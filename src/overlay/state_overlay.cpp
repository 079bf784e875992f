#include "overlay/state_overlay.h"

#include <vector>

#include "detect/cell_state.h"

namespace qlv {

namespace {

Ink InkOf(CellState state, const AreaStyle& s) {
  switch (state) {
    case CellState::Inactive: return s.inactive;
    case CellState::Alarm: return s.alarm;
    case CellState::Active: return s.active;
    default: return s.danger;
  }
}

}  // namespace

// Neighbouring cells of one band with the same colour and opacity are one run (in YUV a
// pair split between two cells gets its chroma from the even pixel either way). A band's
// runs share no pixel, so they are set byte by byte in one row of inks and blended into
// the band's rows with one pass per row: every byte is blended once, with the colour and
// weight of its cell's fill.
void DrawStateAreas(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const DetectorState& state,
                    const AreaStyle& s) {
  if (!frame || !canvas.IsKnownFormat() || !grid.HasCells()) return;
  const uint32_t m = FullMask(s.frameCounter);
  const int32_t columns = grid.columns(), rows = grid.rows(), W = canvas.width(), H = canvas.height();
  FrameCanvas::RowInks inks;
  for (int32_t i = 0; i < rows; ++i) {
    canvas.ClearRowInks(inks);
    int32_t j = 0;
    while (j < columns) {
      const size_t first = static_cast<size_t>(i) * columns + j;
      const Ink ink = InkOf(state.StateIn(grid, static_cast<int32_t>(first), m), s);
      int32_t end = j + 1;
      while (end < columns) {
        const size_t cell = static_cast<size_t>(i) * columns + end;
        if (!(InkOf(state.StateIn(grid, static_cast<int32_t>(cell), m), s) == ink)) break;
        ++end;
      }
      if (ink.opacity > 0) {  // opacity 0 (or below, clamped to 0) would change nothing
        CellRect a = CellRectOf(j, i, W, H, columns, rows), b = CellRectOf(end - 1, i, W, H, columns, rows);
        canvas.AddRowInk(inks, a.left, b.right, ink.color, ink.opacity);
      }
      j = end;
    }
    const CellRect band = CellRectOf(0, i, W, H, columns, rows);
    canvas.BlendRowInks(frame, band.top, band.bottom, inks);
  }
}

// When every cell is at least 2 x 2 pixels the cell outlines are disjoint rings that cover
// whole frame rows (each band's first and last row) and, in between, two columns per cell:
// drawn as such, each pixel is blended once, exactly as ring by ring. Smaller cells draw
// ring by ring, where degenerate rings may overlap.
void DrawGrid(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const AreaStyle& s) {
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
        canvas.BlendFrameRect(frame, r.left, r.top, r.right, r.bottom, 1, s.grid.color, s.grid.opacity);
      }
    return;
  }
  // Rows and columns touch disjoint pixels, so their order does not matter; the columns
  // of all bands share one set-up.
  std::vector<FrameCanvas::RowRange> between;
  for (int32_t i = 0; i < rows; ++i) {
    CellRect r = CellRectOf(0, i, W, H, columns, rows);
    canvas.BlendHSpan(frame, 0, W - 1, r.top, true, s.grid.color, s.grid.opacity);
    canvas.BlendHSpan(frame, 0, W - 1, r.bottom - 1, true, s.grid.color, s.grid.opacity);
    between.push_back({r.top + 1, r.bottom - 1});
  }
  canvas.BlendColumns(frame, xs.data(), static_cast<int32_t>(xs.size()), between.data(),
                      static_cast<int32_t>(between.size()), s.grid.color, s.grid.opacity);
}

}  // namespace qlv
