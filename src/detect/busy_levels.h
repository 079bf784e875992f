// Each cell's last kFrames compared frames for the busy margin: how far it changed (its level)
// and whether that was a change against the plain threshold (its base bit). A cell with more
// than kBusyBaseBits of them is busy, and counts a change only above its own recent peak plus
// the margin: a leaf that flickers stays quiet, a hand that reaches in does not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "detect/cell_judge.h"

namespace qlv {

class BusyLevels {
 public:
  static constexpr int32_t kFrames = 100;
  static constexpr int32_t kBusyBaseBits = 2;

  // For n cells, every record empty; false (and nothing held) when the memory is not there.
  bool Allocate(size_t n);
  void Free();
  size_t count() const { return count_; }
  void Restart();
  void RestartCell(size_t i);

  // One frame's bars and entries, each cell once: plain pointers, kept in registers through
  // the caller's loop.
  class Pass {
   public:
    // The cell's bar before this frame enters: the threshold, or for a busy cell its highest
    // recorded level plus `margin` when that is higher.
    int64_t Bar(size_t i, int64_t threshold, int64_t margin) const {
      if (baseCount_[i] <= kBusyBaseBits) return threshold;
      const int64_t peak = int64_t{top_[i]} + margin;
      return peak > threshold ? peak : threshold;
    }
    // This frame's level and base bit enter the cell's record in the current slot.
    void Enter(size_t i, uint16_t level, bool baseBit) const {
      if (level > kLevelBits) level = kLevelBits;
      const uint16_t out = row_[i];
      row_[i] = static_cast<uint16_t>(level | (baseBit ? kBaseBit : 0));
      baseCount_[i] = static_cast<uint8_t>(baseCount_[i] - ((out & kBaseBit) != 0) + (baseBit ? 1 : 0));
      if (level >= top_[i])
        top_[i] = level;
      else if ((out & kLevelBits) == top_[i])
        owner_->FindTop(i);  // the peak left the record
    }

   private:
    friend class BusyLevels;
    BusyLevels* owner_;
    uint16_t* row_;  // this frame's slot of every cell
    uint16_t* top_;
    uint8_t* baseCount_;
  };
  Pass BeginPass() {
    Pass p;
    p.owner_ = this;
    p.row_ = &levels_[static_cast<size_t>(slot_) * count_];
    p.top_ = top_.get();
    p.baseCount_ = baseCount_.get();
    return p;
  }
  int64_t Bar(size_t i, int64_t threshold, int64_t margin) { return BeginPass().Bar(i, threshold, margin); }
  void Enter(size_t i, uint16_t level, bool baseBit) { BeginPass().Enter(i, level, baseBit); }
  // After every cell of a frame has entered.
  void NextSlot() { slot_ = slot_ + 1 == kFrames ? 0 : slot_ + 1; }

  // The record's arrays, for a pass over many cells at once.
  void Describe(LumaJudgeArrays* a) {
    a->levels = levels_.get();
    a->stride = count_;
    a->records = kFrames;
    a->row = &levels_[static_cast<size_t>(slot_) * count_];
    a->top = top_.get();
    a->baseCount = baseCount_.get();
  }

  uint16_t top(size_t i) const { return top_[i]; }
  uint8_t baseCount(size_t i) const { return baseCount_[i]; }

 private:
  static constexpr uint16_t kBaseBit = 0x8000;
  static constexpr uint16_t kLevelBits = 0x7FFF;
  void FindTop(size_t i);

  size_t count_ = 0;
  // kFrames rows of one entry a cell, a frame's row together: a frame touches a few cache
  // lines, not one a cell. The top bit of an entry is the base bit.
  std::unique_ptr<uint16_t[]> levels_;
  std::unique_ptr<uint16_t[]> top_;     // the highest level in each cell's record
  std::unique_ptr<uint8_t[]> baseCount_;
  int32_t slot_ = 0;
};

}  // namespace qlv
