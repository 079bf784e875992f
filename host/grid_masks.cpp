#include "grid_masks.h"

#include <cerrno>
#include <cstdlib>

namespace hostsim {

namespace {

bool ParseIndex(const std::string& s, int32_t below, int32_t* v) {
  if (s.empty() || s[0] < '0' || s[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  const long x = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || x >= below) return false;
  *v = static_cast<int32_t>(x);
  return true;
}

}  // namespace

std::vector<MaskCell> AllMaskCells() {
  std::vector<MaskCell> cells;
  for (int32_t row = 0; row < qlv::MaskGrid::kDefaultRows; ++row)
    for (int32_t column = 0; column < qlv::MaskGrid::kDefaultColumns; ++column) cells.emplace_back(column, row);
  return cells;
}

bool ParseMaskCells(const std::string& text, std::vector<MaskCell>* out, std::string* error) {
  out->clear();
  if (text == "all") {
    *out = AllMaskCells();
    return true;
  }
  if (text == "none") return true;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const size_t colon = item.find(':');
    MaskCell cell;
    if (colon == std::string::npos ||
        !ParseIndex(item.substr(0, colon), qlv::MaskGrid::kDefaultColumns, &cell.first) ||
        !ParseIndex(item.substr(colon + 1), qlv::MaskGrid::kDefaultRows, &cell.second)) {
      *error = "bad mask cell \"" + item + "\": expected COLUMN:ROW within 24 x 18, \"all\" or \"none\"";
      out->clear();
      return false;
    }
    out->push_back(cell);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

qlv::MaskGrid GridMask(const std::vector<MaskCell>& watched) {
  qlv::MaskGrid grid;
  grid.SetDefaultGrid();
  for (const MaskCell& c : watched)
    if (c.first >= 0 && c.first < grid.columns() && c.second >= 0 && c.second < grid.rows())
      grid.watch()[c.second * grid.columns() + c.first] = 1;
  return grid;
}

std::string GridMaskBytes(const std::vector<MaskCell>& watched) { return GridMask(watched).MaskBytes(); }

bool WriteGridMask(const std::string& path, const std::vector<MaskCell>& watched) {
  return GridMask(watched).SaveMaskFile(path);
}

}  // namespace hostsim
