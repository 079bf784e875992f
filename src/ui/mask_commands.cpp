#include "ui/mask_commands.h"

#include <vector>

namespace qlv {

FileChoice MaskFileChoice() {
  return FileChoice{"Mask files (*.msk)", "*.msk", "msk", std::string()};
}

std::optional<MaskCell> CellAtClientPoint(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight,
                                          int32_t columns, int32_t rows) {
  if (x < 0 || y < 0 || x >= clientWidth || y >= clientHeight) return std::nullopt;
  const int32_t row = y * rows / clientHeight;
  const int32_t column = x * columns / clientWidth;
  if (column < 0 || column >= columns || row < 0 || row >= rows) return std::nullopt;
  return MaskCell{column, row};
}

void MaskCommands::SelectAll() {
  auto lock = plugin_.LockGrid();
  plugin_.grid().WatchAll();
}

void MaskCommands::Clear() {
  auto lock = plugin_.LockGrid();
  plugin_.grid().ClearAll();
}

void MaskCommands::Invert() {
  auto lock = plugin_.LockGrid();
  plugin_.grid().InvertMask();
}

void MaskCommands::ToggleAt(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight) {
  auto lock = plugin_.LockGrid();
  MaskGrid& grid = plugin_.grid();
  if (auto cell = CellAtClientPoint(x, y, clientWidth, clientHeight, grid.columns(), grid.rows()))
    grid.ToggleCell(cell->column, cell->row);
}

std::string MaskCommands::MaskPath() {
  auto lock = plugin_.LockGrid();
  return plugin_.working().MaskFileName;
}

void MaskCommands::SetMaskPath(const std::string& path) {
  auto lock = plugin_.LockGrid();
  plugin_.working().MaskFileName = path;
}

void MaskCommands::Load(const Window& window) {
  const std::optional<std::string> chosen = dialogs_.OpenFile(window.owner, MaskFileChoice());
  // The dialog, and perhaps the plug-in, may have closed under the chooser.
  if (!chosen || (window.stillOpen && !window.stillOpen())) return;
  SetMaskPath(*chosen);
  if (window.showPath) window.showPath();
  plugin_.LoadMask(*chosen);
}

void MaskCommands::Save(const Window& window) {
  const std::string path = MaskPath();
  if (path.empty()) {
    SaveAs(window);
    return;
  }
  WriteTo(path, window);
}

void MaskCommands::SaveAs(const Window& window) {
  const std::optional<std::string> chosen = dialogs_.SaveFile(window.owner, MaskFileChoice());
  if (!chosen || (window.stillOpen && !window.stillOpen())) return;
  SetMaskPath(*chosen);
  if (window.showPath) window.showPath();
  WriteTo(*chosen, window);
}

void MaskCommands::WriteTo(const std::string& path, const Window& window) {
  int32_t columns, rows;
  std::vector<uint8_t> flags;
  {
    auto lock = plugin_.LockGrid();
    const MaskGrid& grid = plugin_.grid();
    columns = grid.columns();
    rows = grid.rows();
    if (grid.HasCells()) flags.assign(grid.watch(), grid.watch() + grid.cellCount());
  }
  if (!WriteMaskFile(path, columns, rows, flags.data(), flags.size()) && window.saveFailed) window.saveFailed(path);
}

}  // namespace qlv
