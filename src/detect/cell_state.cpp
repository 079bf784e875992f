#include "detect/cell_state.h"

#include "detect/change_rule.h"

namespace qlv {

uint32_t FullMask(int32_t frameCounter) {
  if (frameCounter < 1) return 1u;
  if (frameCounter >= 32) return 0xFFFFFFFFu;
  return (1u << frameCounter) - 1u;
}

CellState CellStateOf(uint8_t watch, uint32_t history, uint32_t fullMask) {
  if (watch == 0) return CellState::Inactive;
  if (HistoryInAlarm(history, fullMask)) return CellState::Alarm;
  if (history == 0) return CellState::Active;
  return CellState::Danger;
}

CellRect CellRectOf(int32_t column, int32_t row, int32_t width, int32_t height, int32_t columns, int32_t rows) {
  CellRect r;
  r.left = CellEdge(column, width, columns);
  r.right = CellEdge(column + 1, width, columns);
  r.top = CellEdge(row, height, rows);
  r.bottom = CellEdge(row + 1, height, rows);
  return r;
}

}  // namespace qlv
