#include "detect/cell_records.h"

#include <cstring>
#include <new>

namespace qlv {

bool CellRecords::Allocate(size_t n) {
  Free();
  history.reset(new (std::nothrow) uint32_t[n]);
  busyBits.reset(new (std::nothrow) uint64_t[kBusyWords * n]);
  busyCount.reset(new (std::nothrow) uint8_t[n]);
  muted.reset(new (std::nothrow) uint8_t[n]);
  if (!history || !busyBits || !busyCount || !muted) {
    Free();
    return false;
  }
  count = n;
  Restart();
  return true;
}

void CellRecords::Free() {
  history.reset();
  busyBits.reset();
  busyCount.reset();
  muted.reset();
  count = 0;
  hold = 0;
}

void CellRecords::Restart() {
  if (!history) return;
  std::memset(history.get(), 0, count * sizeof(uint32_t));
  std::memset(busyBits.get(), 0, kBusyWords * count * sizeof(uint64_t));
  std::memset(busyCount.get(), 0, count);
  std::memset(muted.get(), 0, count);
  hold = 0;
}

void CellRecords::RestartCell(size_t i) {
  if (i >= count) return;
  history[i] = 0;
  for (size_t w = 0; w < kBusyWords; ++w) busyBits[kBusyWords * i + w] = 0;
  busyCount[i] = 0;
  muted[i] = 0;
}

}  // namespace qlv
