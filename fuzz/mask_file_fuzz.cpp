// Mask file bytes, parsed from memory: the load must never read or write out of
// range, and the grid it leaves must be coherent enough to edit, save, reload and
// detect on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qlv;
  MaskGrid grid;
  grid.SetDefaultGrid();
  grid.LoadMaskBytes(data, size);
  if (grid.cellCount() != grid.columns() * grid.rows() || !grid.HasCells()) std::abort();
  if (grid.columns() < 1 || grid.columns() > MaskGrid::kMaxDimension) std::abort();

  grid.ToggleCell(grid.columns() - 1, grid.rows() - 1);
  grid.InvertMask();

  // Detect and draw on a small frame for one input length in eight (the file's
  // rules are what this target is for; detection costs ten parses), and for the
  // largest grids only now and then (65,536 cells cost a hundred small runs).
  if (size % 8 == 0 && (grid.cellCount() <= 4096 || (size > 10 && data[10] == 0x5A))) {
    FrameCanvas canvas;
    canvas.SetGeometry(13, 9, size % 2 ? PixelFormatRGB24 : PixelFormatYUV422);
    std::vector<uint8_t> frame(canvas.FrameBytes());
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = size ? data[i % size] : 0;
    MotionDetector detector;
    detector.ResizeSamples(13, 9);
    SettingsRecord s;
    s.Sensitive = 16;
    detector.DetectMotion(frame.data(), canvas, grid, s);
    detector.DetectMotion(frame.data(), canvas, grid, s);
    DrawStateAreas(frame.data(), canvas, grid, detector.state(), s);
    DrawGrid(frame.data(), canvas, grid, s);
  }

  // What is saved loads back to the same flags.
  const std::string saved = grid.MaskBytes();
  if (saved.size() != 10 + static_cast<size_t>(grid.cellCount())) std::abort();
  MaskGrid again;
  again.LoadMaskBytes(reinterpret_cast<const uint8_t*>(saved.data()), saved.size());
  if (again.cellCount() != grid.cellCount()) std::abort();
  if (std::memcmp(again.watch(), grid.watch(), static_cast<size_t>(grid.cellCount())) != 0) std::abort();
  return 0;
}
