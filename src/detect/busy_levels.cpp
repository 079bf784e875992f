#include "detect/busy_levels.h"

#include <cstring>
#include <new>

namespace qlv {

namespace {

static_assert(BusyLevels::kFrames < 256, "the base bits of a record are counted in a byte");

}  // namespace

bool BusyLevels::Allocate(size_t n) {
  Free();
  levels_.reset(new (std::nothrow) uint16_t[n * kFrames]);
  top_.reset(new (std::nothrow) uint16_t[n]);
  baseCount_.reset(new (std::nothrow) uint8_t[n]);
  if (!levels_ || !top_ || !baseCount_) {
    Free();
    return false;
  }
  count_ = n;
  Restart();
  return true;
}

void BusyLevels::Free() {
  levels_.reset();
  top_.reset();
  baseCount_.reset();
  count_ = 0;
  slot_ = 0;
}

void BusyLevels::Restart() {
  if (count_ == 0) return;
  std::memset(levels_.get(), 0, count_ * kFrames * sizeof(uint16_t));
  std::memset(top_.get(), 0, count_ * sizeof(uint16_t));
  std::memset(baseCount_.get(), 0, count_);
}

void BusyLevels::RestartCell(size_t i) {
  if (i >= count_) return;
  for (int32_t k = 0; k < kFrames; ++k) levels_[k * count_ + i] = 0;
  top_[i] = 0;
  baseCount_[i] = 0;
}

uint16_t RecordPeak(const uint16_t* levels, size_t stride, int32_t records, size_t cell) {
  uint16_t top = 0;
  for (int32_t k = 0; k < records; ++k) {
    const uint16_t l = levels[static_cast<size_t>(k) * stride + cell] & 0x7FFF;
    if (l > top) top = l;
  }
  return top;
}

void BusyLevels::FindTop(size_t i) { top_[i] = RecordPeak(levels_.get(), count_, kFrames, i); }

}  // namespace qlv
