// What a cell's detector words mean: its state by the alarm history, and where it
// lies in the picture. Read by the detector and by the overlay that shows the states.
#pragma once

#include <cstdint>

namespace qlv {

enum class CellState { Inactive, Active, Danger, Alarm };

// The low N bits set for N = frameCounter. Values below 1 count as 1 and values above
// 32 as 32 (all bits), so no shift by 32 or more is ever made.
uint32_t FullMask(int32_t frameCounter);
CellState CellStateOf(uint8_t watch, uint32_t history, uint32_t fullMask);

struct CellRect {
  int32_t left, top, right, bottom;  // picture coordinates, right and bottom exclusive
};
CellRect CellRectOf(int32_t column, int32_t row, int32_t width, int32_t height, int32_t columns, int32_t rows);

}  // namespace qlv
