// The tuning window's marks on the video: each watched cell's change level in a small digit
// font of our own ("M" for a muted cell), and a cross over a cell that spoils a proposal.
// Opaque, drawn by whole pixel pairs, so that both builds give the same bytes.
#pragma once

#include <cstdint>

#include "pixel/frame_canvas.h"
#include "settings/settings.h"

namespace qlv {

// One cell as drawn.
struct CellLabel {
  enum Kind : uint8_t { None, Number, Muted };
  Kind kind = None;
  uint8_t value = 0;   // 0..99
  bool loud = false;   // above the current threshold: the loud colour
  bool cross = false;
};

// Font pixels are squares of this many picture pixels, so that every run starts and ends on a
// pixel pair; a label is 5 font pixels high (5 x the scale picture pixels, at least 10).
int32_t LabelScale(int32_t cellWidth, int32_t cellHeight);

// `labels` has columns x rows entries, row 0 at the top. Colours are COLORREFs. Grids of more
// than kMaxLabelColumns columns get no labels.
constexpr int32_t kMaxLabelColumns = kMaxGridDimension;
void DrawCellLabels(uint8_t* frame, const FrameCanvas& canvas, int32_t columns, int32_t rows, const CellLabel* labels,
                    uint32_t loudColor, uint32_t quietColor, uint32_t crossColor);

}  // namespace qlv
