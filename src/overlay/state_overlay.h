// The state areas (each cell filled in the colour of its state) and the grid of cell
// outlines, drawn into a frame in place.
#pragma once

#include <cstdint>

#include "detect/mask_grid.h"
#include "pixel/frame_canvas.h"
#include "settings/settings.h"

namespace qlv {

void DrawStateAreas(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s);
void DrawGrid(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const SettingsRecord& s);

}  // namespace qlv
