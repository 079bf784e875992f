// Mask files of the default 24 x 18 grid for the tests and the scripts, made and
// saved by the plug-in's own mask code, so that nothing else spells out the file's
// bytes. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "detect/mask_grid.h"

namespace hostsim {

using MaskCell = std::pair<int32_t, int32_t>;  // column, row

// Every cell of the default grid, row by row.
std::vector<MaskCell> AllMaskCells();

// "all", "none" or "COLUMN:ROW,..." with 0 <= COLUMN < 24 and 0 <= ROW < 18.
bool ParseMaskCells(const std::string& text, std::vector<MaskCell>* out, std::string* error);

// The default grid with `watched` watched and every other cell not.
qlv::MaskGrid GridMask(const std::vector<MaskCell>& watched);
// What the plug-in's save writes for GridMask(watched).
std::string GridMaskBytes(const std::vector<MaskCell>& watched);
// Saves GridMask(watched) to `path` as the plug-in saves masks; false when nothing was saved.
bool WriteGridMask(const std::string& path, const std::vector<MaskCell>& watched);

}  // namespace hostsim
