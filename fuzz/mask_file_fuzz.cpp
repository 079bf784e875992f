// Mask file loader under arbitrary bytes: the load must never read or write out of range,
// and the grid it leaves must be coherent enough to edit, save, reload and detect on.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"

namespace {

std::string TempPath(const char* suffix) {
  return "/tmp/qlv_mask_fuzz_" + std::to_string(getpid()) + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qlv;
  const std::string path = TempPath(".msk"), saved = TempPath("_saved.msk");
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  MaskGrid grid;
  grid.SetDefaultGrid();
  if (!grid.LoadMaskFile(path)) std::abort();  // the file exists
  if (grid.cellCount() != grid.columns() * grid.rows() || !grid.HasCells()) std::abort();
  if (grid.columns() < 1 || grid.columns() > MaskGrid::kMaxDimension) std::abort();

  // Edit, detect and draw on a small frame, whatever the dimensions.
  grid.ToggleCell(grid.columns() - 1, grid.rows() - 1);
  grid.InvertMask();
  FrameCanvas canvas;
  canvas.SetGeometry(37, 23, size % 2 ? PixelFormatRGB24 : PixelFormatYUV422);
  std::vector<uint8_t> frame(canvas.FrameBytes());
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = size ? data[i % size] : 0;
  MotionDetector detector;
  detector.ResizeSamples(37, 23);
  SettingsRecord s;
  s.Sensitive = 16;
  detector.DetectMotion(frame.data(), canvas, grid, s);
  detector.DetectMotion(frame.data(), canvas, grid, s);
  DrawStateAreas(frame.data(), canvas, grid, s);
  DrawGrid(frame.data(), canvas, grid, s);

  // What is saved loads back to the same flags.
  grid.SaveMaskFile(saved);
  MaskGrid again;
  again.LoadMaskFile(saved);
  if (again.cellCount() != grid.cellCount()) std::abort();
  for (int32_t i = 0; i < grid.cellCount(); ++i)
    if (again.watch()[i] != grid.watch()[i]) std::abort();
  std::remove(path.c_str());
  std::remove(saved.c_str());
  return 0;
}
