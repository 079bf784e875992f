// What a cell's detector words mean: its state by the alarm history, and where it
// lies in the picture. Read by the detector and by the overlay that shows the states.
#pragma once

#include <cstdint>

#include "pixel/mul_div.h"

namespace qlv {

enum class CellState { Inactive, Active, Danger, Alarm };

// The low N bits set for N = frameCounter. Values below 1 count as 1 and values above
// 32 as 32 (all bits), so no shift by 32 or more is ever made.
uint32_t FullMask(int32_t frameCounter);
CellState CellStateOf(uint8_t watch, uint32_t history, uint32_t fullMask);

// Where cell boundary `index` (0..count) of `count` cells lies in a picture `extent` pixels
// wide or high. Every cell edge of the detector and the overlays is this one.
inline int32_t CellEdge(int32_t index, int32_t extent, int32_t count) { return MulDiv(index, extent, count); }
// Boundaries 0..count into edges[0 .. count].
inline void CellEdges(int32_t extent, int32_t count, int32_t* edges) {
  for (int32_t k = 0; k <= count; ++k) edges[k] = CellEdge(k, extent, count);
}

struct CellRect {
  int32_t left, top, right, bottom;  // picture coordinates, right and bottom exclusive
};
CellRect CellRectOf(int32_t column, int32_t row, int32_t width, int32_t height, int32_t columns, int32_t rows);

}  // namespace qlv
