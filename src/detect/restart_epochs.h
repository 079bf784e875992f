// When each cell last started from rest. The mask grid gives a new epoch at every restart
// (a new grid, WatchAll, a cell made watched, the restart on entering the channel); the
// detector's state, and whatever mirrors it, keeps a copy and catches up after the fact,
// so that no edit has to tell them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qlv {

struct RestartEpochs {
  uint32_t latest = 0;         // the newest epoch given, to any cell
  uint32_t whole = 0;          // the epoch of the last restart of every cell at once
  std::vector<uint32_t> cell;  // each cell's epoch: when it alone last restarted
};

// Brings `mine` to `source`. When both count the same cells: restartAll() when every cell
// restarted since the copy, otherwise restartCell(i) for each cell that did. Of another
// number of cells, the follower has started afresh and only copies. May throw bad_alloc
// only when the cell count differs.
template <typename All, typename Cell>
void CatchUp(RestartEpochs& mine, const RestartEpochs& source, All restartAll, Cell restartCell) {
  const size_t n = source.cell.size();
  if (mine.cell.size() == n) {
    if (mine.latest == source.latest) return;
    if (mine.whole != source.whole) {
      restartAll();
    } else {
      for (size_t i = 0; i < n; ++i)
        if (mine.cell[i] != source.cell[i]) restartCell(i);
    }
  }
  mine = source;
}

}  // namespace qlv
