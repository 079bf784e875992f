// The state areas (each cell filled in the colour of its state) and the grid of cell
// outlines, drawn into a frame in place.
#pragma once

#include <cstdint>

#include "detect/detector_state.h"
#include "detect/mask_grid.h"
#include "pixel/frame_canvas.h"
#include "settings/settings.h"

namespace qlv {

struct Ink {
  uint32_t color = 0;
  int32_t opacity = 0;
  bool operator==(const Ink& o) const { return color == o.color && opacity == o.opacity; }
};

// What the areas and the grid read of the settings, copied by the frame driver under its
// lock; a record converts to it.
struct AreaStyle {
  AreaStyle() = default;
  AreaStyle(const SettingsRecord& s)  // NOLINT: implicit, so a record can be passed
      : frameCounter(s.FrameCounter), inactive{s.InactiveColor, s.InactiveOpacity},
        active{s.ActiveColor, s.ActiveOpacity}, danger{s.DangerColor, s.DangerOpacity},
        alarm{s.AlarmColor, s.AlarmOpacity}, grid{s.GridColor, s.GridOpacity} {}
  uint32_t frameCounter = 0;
  Ink inactive, active, danger, alarm, grid;
};

// Each cell's state as `state` holds it for `grid`, the cells restarted since it last
// followed the grid at rest.
void DrawStateAreas(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const DetectorState& state,
                    const AreaStyle& style);
void DrawGrid(uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const AreaStyle& style);

}  // namespace qlv
