#include "detect/busy_levels.h"

#include <cstring>
#include <new>

namespace qlv {

namespace {

constexpr uint16_t kBaseBit = 0x8000;
constexpr uint16_t kLevelBits = 0x7FFF;
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
  std::memset(&levels_[i * kFrames], 0, kFrames * sizeof(uint16_t));
  top_[i] = 0;
  baseCount_[i] = 0;
}

void BusyLevels::Enter(size_t i, uint16_t level, bool baseBit) {
  if (level > kLevelBits) level = kLevelBits;
  uint16_t* ring = &levels_[i * kFrames];
  const uint16_t out = ring[slot_];
  ring[slot_] = static_cast<uint16_t>(level | (baseBit ? kBaseBit : 0));
  baseCount_[i] = static_cast<uint8_t>(baseCount_[i] - ((out & kBaseBit) != 0) + (baseBit ? 1 : 0));
  // Searched again only when the peak leaves the record.
  if (level >= top_[i]) {
    top_[i] = level;
  } else if ((out & kLevelBits) == top_[i]) {
    uint16_t top = 0;
    for (int32_t k = 0; k < kFrames; ++k)
      if ((ring[k] & kLevelBits) > top) top = ring[k] & kLevelBits;
    top_[i] = top;
  }
}

}  // namespace qlv
