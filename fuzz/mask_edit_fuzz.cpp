// Editing sequences against the grid, as the mask editor and the mask buttons
// run them: toggles anywhere (also outside the grid), invert, clear, select all,
// restart and loads of arbitrary bytes. Every step leaves a coherent grid whose
// flags are 0 or 1 once edited, and the undoable steps undo exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"

namespace {

using qlv::MaskGrid;

void CheckCoherent(const MaskGrid& g) {
  if (g.cellCount() != g.columns() * g.rows()) std::abort();
  if (g.HasCells() != (g.cellCount() > 0)) std::abort();
}

std::vector<uint8_t> Flags(const MaskGrid& g) {
  return g.HasCells() ? std::vector<uint8_t>(g.watch(), g.watch() + g.cellCount()) : std::vector<uint8_t>();
}

int32_t Signed(uint8_t b) { return static_cast<int32_t>(static_cast<int8_t>(b)); }

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qlv;
  MaskGrid grid;
  grid.SetDefaultGrid();
  size_t i = 0;
  auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
  while (i < size) {
    const uint8_t op = next();
    switch (op % 8) {
      case 0: {  // a toggle at a point, maybe outside the grid; twice undoes it
        const int32_t c = Signed(next()) * 3, r = Signed(next()) * 3;
        const std::vector<uint8_t> before = Flags(grid);
        grid.ToggleCell(c, r);
        const bool inside = c >= 0 && c < grid.columns() && r >= 0 && r < grid.rows();
        if (grid.HasCells() && inside && before[r * grid.columns() + c] == grid.watch()[r * grid.columns() + c])
          std::abort();
        if (!inside && Flags(grid) != before) std::abort();
        if (op & 0x80) {
          grid.ToggleCell(c, r);
          if (Flags(grid) != before && (!grid.HasCells() || before[r * grid.columns() + c] <= 1)) std::abort();
        }
        break;
      }
      case 1: {
        const std::vector<uint8_t> before = Flags(grid);
        grid.InvertMask();
        grid.InvertMask();
        for (size_t k = 0; k < before.size(); ++k)
          if ((before[k] != 0) != (grid.watch()[k] != 0)) std::abort();
        if (op & 0x80) grid.InvertMask();
        break;
      }
      case 2:
        grid.ClearAll();
        for (uint8_t f : Flags(grid))
          if (f != 0) std::abort();
        break;
      case 3:
        grid.WatchAll();
        for (uint8_t f : Flags(grid))
          if (f != 1) std::abort();
        break;
      case 4: {  // a load of the next few bytes as a whole file
        const size_t n = next() % 48;
        const size_t take = n < size - i ? n : size - i;
        // Editing is what this target is for: grids too large to edit quickly
        // are left to mask_file_fuzz, which loads every size.
        const uint8_t* file = data + i;
        i += take;
        if (take >= 10 && static_cast<int64_t>(Le32(file + 2)) * Le32(file + 6) > 1024) break;
        grid.LoadMaskBytes(file, take);
        break;
      }
      case 5: {  // a load of a file made here: header and flags as the dialog saves them
        MaskGrid other;
        other.Resize(1 + next() % 32, 1 + next() % 32);
        other.InvertMask();
        const std::string bytes = other.MaskBytes();
        grid.LoadMaskBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        if (grid.columns() != other.columns() || Flags(grid) != Flags(other)) std::abort();
        break;
      }
      case 6:
        grid.RestartCells();
        break;
      default: {  // saved and loaded back unchanged
        const std::string bytes = grid.MaskBytes();
        MaskGrid again;
        again.LoadMaskBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        if (grid.HasCells() && Flags(again) != Flags(grid)) std::abort();
        break;
      }
    }
    CheckCoherent(grid);
  }

  // The edited grid still detects and draws, on cells of 2 x 2 pixels (the default
  // grid): cells of one pixel draw ring by ring, several times slower, and are left to
  // stream_fuzz, whose frames come in every size.
  FrameCanvas canvas;
  canvas.SetGeometry(48, 36, PixelFormatYUV422);
  std::vector<uint8_t> frame(canvas.FrameBytes(), 0x40);
  MotionDetector detector;
  detector.ResizeSamples(48, 36);
  SettingsRecord s;
  detector.DetectMotion(frame.data(), canvas, grid, s);
  std::memset(frame.data(), 0xC0, frame.size());
  detector.DetectMotion(frame.data(), canvas, grid, s);
  DrawStateAreas(frame.data(), canvas, grid, detector.state(), s);
  DrawGrid(frame.data(), canvas, grid, s);
  return 0;
}
