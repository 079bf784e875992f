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

void MaskCommands::SelectAll() { plugin_.WatchAllCells(); }
void MaskCommands::Clear() { plugin_.ClearAllCells(); }
void MaskCommands::Invert() { plugin_.InvertMask(); }

void MaskCommands::ToggleAt(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight) {
  plugin_.ToggleCell([&](int32_t columns, int32_t rows) {
    return CellAtClientPoint(x, y, clientWidth, clientHeight, columns, rows);
  });
}

std::string MaskCommands::MaskPath() { return plugin_.Setting(&SettingsRecord::MaskFileName); }

void MaskCommands::SetMaskPath(const std::string& path) { plugin_.SetSetting(&SettingsRecord::MaskFileName, path); }

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
  const MaskCopy mask = plugin_.Mask();
  if (!WriteMaskFile(path, mask.columns, mask.rows, mask.watch.data(), mask.watch.size()) && window.saveFailed)
    window.saveFailed(path);
}

}  // namespace qlv
