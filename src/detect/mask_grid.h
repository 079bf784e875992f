// The grid of cells over the picture and which cells are watched, stored in the mask file
// (10-byte header, then one flag byte per cell), with each cell's restart epoch. What the
// detector remembers of the cells is its own (DetectorState).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "detect/cell_state.h"
#include "detect/restart_epochs.h"
#include "settings/settings.h"

namespace qlv {

class MaskGrid {
 public:
  static constexpr int32_t kDefaultColumns = 24;
  static constexpr int32_t kDefaultRows = 18;
  // Largest column or row count a mask file may carry: more than a mask editor can
  // show on any video window. Files outside 1..kMaxDimension are not loaded.
  static constexpr int32_t kMaxDimension = kMaxGridDimension;
  static constexpr uint16_t kFormatTag = 0x0203;

  int32_t columns() const { return columns_; }
  int32_t rows() const { return rows_; }
  int32_t cellCount() const { return cellCount_; }
  const uint8_t* watch() const { return watch_.get(); }
  uint8_t* watch() { return watch_.get(); }
  // When each cell last started from rest; the detector's state follows it.
  const RestartEpochs& epochs() const { return epochs_; }

  // True when the watch flags and epochs are there for the current cell count.
  bool HasCells() const { return watch_ != nullptr && cellCount_ > 0; }

  // Allocates the flags for the current dimensions, no cell watched, every cell restarted.
  // Returns false, leaving the grid at 0 x 0 without arrays, when that is impossible.
  bool AllocateCells();
  void FreeCells();
  // Every cell starts again from rest: one new epoch for all.
  void RestartCells();
  void SetDefaultGrid();
  // Sets the dimensions and allocates (AllocateCells); false leaves the grid at 0 x 0.
  bool Resize(int32_t columns, int32_t rows);

  void WatchAll();
  void ClearAll();
  void InvertMask();
  void ToggleCell(int32_t column, int32_t row);

  // False only when the file does not exist (or the path is empty). A file that cannot
  // be opened, is shorter than its header, or carries dimensions outside
  // 1..kMaxDimension leaves the grid unchanged and still returns true.
  bool LoadMaskFile(const std::string& path);
  // The same rules for a file's bytes already in memory.
  void LoadMaskBytes(const uint8_t* data, size_t size);
  // What SaveMaskFile writes: the 10-byte header, then one flag byte per cell.
  std::string MaskBytes() const;
  // Replaces the file only once the new content is complete on disk. False when
  // nothing was saved; an existing file is then left as it was.
  bool SaveMaskFile(const std::string& path) const;

 private:
  void FlipCell(int32_t index);
  uint32_t NextEpoch() { return ++epochs_.latest; }

  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t cellCount_ = 0;
  std::unique_ptr<uint8_t[]> watch_;
  RestartEpochs epochs_;  // its counters run on across grids, so a new grid is a new epoch
};

// The mask file of a grid of `columns` x `rows` with `count` flag bytes, written
// as SaveMaskFile writes it: callers that copy the flags under a lock write
// the file after releasing it.
bool WriteMaskFile(const std::string& path, int32_t columns, int32_t rows, const uint8_t* flags, size_t count);

}  // namespace qlv
