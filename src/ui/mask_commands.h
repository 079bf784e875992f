// What the six mask buttons and a click on the video do to the plug-in's mask,
// through the plug-in's mask commands; no lock is held while a chooser is up or a
// file is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "plugin/plugin.h"
#include "ui/common_dialogs.h"

namespace qlv {

// The choosers' filter for mask files.
FileChoice MaskFileChoice();

struct MaskCell {
  int32_t column;
  int32_t row;
  bool operator==(const MaskCell& o) const { return column == o.column && row == o.row; }
};

// The cell under client point (x, y) of a video window whose client area is
// clientWidth x clientHeight, for a grid of columns x rows; none outside the
// client area or the grid. 32-bit products, divisions toward zero.
std::optional<MaskCell> CellAtClientPoint(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight,
                                          int32_t columns, int32_t rows);

class MaskCommands {
 public:
  // What the commands need from the dialog window that runs them.
  struct Window {
    WindowHandle owner = 0;             // owns the choosers
    std::function<bool()> stillOpen;    // false once the dialog went while a chooser was up
    std::function<void()> showPath;     // posts the mask-path refresh to the dialog
    std::function<void(const std::string&)> saveFailed;  // tells the user, naming the file
  };

  MaskCommands(Plugin& plugin, CommonDialogs& dialogs) : plugin_(plugin), dialogs_(dialogs) {}

  void SelectAll();
  void Clear();
  void Invert();
  // The editor's toggle for a left-button release at a client point of the video.
  void ToggleAt(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight);

  void Load(const Window& window);
  // Without a file name, as SaveAs.
  void Save(const Window& window);
  void SaveAs(const Window& window);

 private:
  std::string MaskPath();
  void SetMaskPath(const std::string& path);
  // Writes the grid as it is now to `path`; reports a failure.
  void WriteTo(const std::string& path, const Window& window);

  Plugin& plugin_;
  CommonDialogs& dialogs_;
};

}  // namespace qlv
