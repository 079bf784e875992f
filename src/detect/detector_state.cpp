#include "detect/detector_state.h"

#include <cstring>
#include <new>

namespace qlv {

bool DetectorState::Follow(const MaskGrid& grid) {
  const size_t n = grid.HasCells() ? static_cast<size_t>(grid.cellCount()) : 0;
  if (n != records_.count || !reference_) {
    Free();
    if (n == 0) return false;
    reference_.reset(new (std::nothrow) uint32_t[n]);
    if (!reference_ || !records_.Allocate(n)) {
      Free();
      return false;
    }
    static_assert(NoReference == 0xFFFFFFFFu, "absent reference: every byte 0xFF");
    std::memset(reference_.get(), 0xFF, n * sizeof(uint32_t));
  }
  try {
    CatchUp(epochs_, grid.epochs(), [this] { RestartAll(); }, [this](size_t i) { RestartCell(i); });
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
  return true;
}

void DetectorState::Free() {
  reference_.reset();
  records_.Free();
  memories_.Free();
  view_.Restart();
  epochs_ = RestartEpochs();
}

void DetectorState::RestartAll() {
  records_.Restart();
  memories_.Restart();
  view_.Restart();
  std::memset(reference_.get(), 0xFF, records_.count * sizeof(uint32_t));
}

void DetectorState::RestartCell(size_t i) {
  reference_[i] = NoReference;
  records_.RestartCell(i);
  memories_.RestartCell(i);
  // The view is of the cells watched as a whole: one more of them is a new view.
  view_.Restart();
}

}  // namespace qlv
