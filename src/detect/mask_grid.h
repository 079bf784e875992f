// The grid of cells over the picture, which cells are watched, and the detector's two
// words per cell; stored in the mask file (10-byte header, then one flag byte per cell).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "detect/cell_records.h"
#include "detect/cell_state.h"
#include "settings/settings.h"

namespace qlv {

constexpr uint32_t NoReference = 0xFFFFFFFFu;

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
  uint32_t* history() { return records_.history.get(); }
  const uint32_t* history() const { return records_.history.get(); }
  uint32_t* reference() { return reference_.get(); }
  const uint32_t* reference() const { return reference_.get(); }
  // The history words and the false-alarm guards' state of the real detector.
  static constexpr int32_t kBusyFrames = CellRecords::kBusyFrames;
  CellRecords& records() { return records_; }
  const CellRecords& records() const { return records_; }
  uint8_t* busyCount() { return records_.busyCount.get(); }
  const uint8_t* busyCount() const { return records_.busyCount.get(); }
  uint8_t* muted() { return records_.muted.get(); }
  const uint8_t* muted() const { return records_.muted.get(); }
  uint32_t& hold() { return records_.hold; }
  // The cell's state as drawn: a muted cell counts as not watched.
  CellState StateOf(int32_t cell, uint32_t fullMask) const {
    return records_.muted[cell] ? CellState::Inactive : CellStateOf(watch_[cell], records_.history[cell], fullMask);
  }

  // True when the watch flags, reference words and cell records are there for the current cell count.
  bool HasCells() const { return watch_ != nullptr && cellCount_ > 0; }
  // Counts every restart of all the cells (a new grid, WatchAll, RestartCells), so that one
  // who mirrors the records can tell one happened.
  uint32_t restarts() const { return restarts_; }

  // Allocates the flags, words and records for the current dimensions, no cell watched, all at rest.
  // Returns false, leaving the grid at 0 x 0 without arrays, when that is impossible.
  bool AllocateCells();
  void FreeCells();
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

  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t cellCount_ = 0;
  std::unique_ptr<uint8_t[]> watch_;
  std::unique_ptr<uint32_t[]> reference_;
  CellRecords records_;
  uint32_t restarts_ = 0;
};

// The mask file of a grid of `columns` x `rows` with `count` flag bytes, written
// as SaveMaskFile writes it: callers that copy the flags under a lock write
// the file after releasing it.
bool WriteMaskFile(const std::string& path, int32_t columns, int32_t rows, const uint8_t* flags, size_t count);

}  // namespace qlv
