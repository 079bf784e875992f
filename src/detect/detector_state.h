// What the motion detector remembers of each cell between frames: the reference means,
// the history and the false-alarm guards' records (CellRecords), and the restart epochs it
// has caught up with. More per-cell memories join here, each restarted with the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "detect/cell_records.h"
#include "detect/cell_state.h"
#include "detect/change_memories.h"
#include "detect/mask_grid.h"
#include "detect/restart_epochs.h"
#include "detect/view_watch.h"

namespace qlv {

// A cell's reference before its first comparison: every byte 255, so nothing counts.
constexpr uint32_t NoReference = 0xFFFFFFFFu;

class DetectorState {
 public:
  // Catches up with `grid`: a grid of another cell count gets fresh memories, every cell at
  // rest; otherwise the cells the grid restarted since the last call start from rest. False
  // (and nothing kept) when the memory is not there.
  bool Follow(const MaskGrid& grid);
  void Free();

  // The cells as they stand after the last Follow, for the grid it followed.
  size_t count() const { return records_.count; }
  uint32_t* reference() { return reference_.get(); }
  const uint32_t* reference() const { return reference_.get(); }
  uint32_t* history() { return records_.history.get(); }
  const uint32_t* history() const { return records_.history.get(); }
  const uint8_t* busyCount() const { return records_.busyCount.get(); }
  const uint8_t* muted() const { return records_.muted.get(); }
  uint32_t hold() const { return records_.hold; }
  CellRecords& records() { return records_; }
  const CellRecords& records() const { return records_; }
  const RestartEpochs& epochs() const { return epochs_; }
  // The intruder options' memories (scene, busy levels) and the view watch.
  ChangeMemories& memories() { return memories_; }
  const ChangeMemories& memories() const { return memories_; }
  ViewWatch& view() { return view_; }
  const ViewWatch& view() const { return view_; }

  // Reads that hold for `grid` before this state has followed it: a cell the grid
  // restarted since counts as at rest (never muted, history 0). For the overlay, which
  // draws whether or not the frame was compared.
  bool MutedIn(const MaskGrid& grid, int32_t cell) const {
    return Current(grid, cell) && records_.muted[cell] != 0;
  }
  // The cell's state as drawn: a muted cell counts as not watched.
  CellState StateIn(const MaskGrid& grid, int32_t cell, uint32_t fullMask) const {
    if (!Current(grid, cell)) return CellStateOf(grid.watch()[cell], 0, fullMask);
    return records_.muted[cell] ? CellState::Inactive : CellStateOf(grid.watch()[cell], records_.history[cell], fullMask);
  }

 private:
  bool Current(const MaskGrid& grid, int32_t cell) const {
    const RestartEpochs& g = grid.epochs();
    return records_.count == g.cell.size() && epochs_.cell.size() == g.cell.size() && epochs_.whole == g.whole &&
           epochs_.cell[static_cast<size_t>(cell)] == g.cell[static_cast<size_t>(cell)];
  }
  void RestartAll();
  void RestartCell(size_t i);

  std::unique_ptr<uint32_t[]> reference_;
  CellRecords records_;
  ChangeMemories memories_;
  ViewWatch view_;
  RestartEpochs epochs_;
};

}  // namespace qlv
