// What a detector remembers of each cell between frames: its history word and the
// false-alarm guards' state. The grid keeps the real detector's; a sensitivity sweep keeps
// one for each sensitivity it tries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qlv {

struct CellRecords {
  static constexpr int32_t kBusyFrames = 100;

  // For n cells, all at rest; false (and nothing held) when the memory is not there.
  bool Allocate(size_t n);
  void Free();
  // Every cell at rest, every record empty, no hold.
  void Restart();
  // One cell at rest with an empty record (it has just become watched).
  void RestartCell(size_t i);
  void NextBusySlot() { busySlot = busySlot + 1 == kBusyFrames ? 0 : busySlot + 1; }

  size_t count = 0;
  std::unique_ptr<uint32_t[]> history;
  // The changed bits of each cell's last kBusyFrames compared frames: a ring of two words a
  // cell, all cells at the same slot; how many of them are 1; whether the cell is muted.
  std::unique_ptr<uint64_t[]> busyBits;
  std::unique_ptr<uint8_t[]> busyCount;
  std::unique_ptr<uint8_t[]> muted;
  int32_t busySlot = 0;
  uint32_t hold = 0;  // frames still held after a light change
};

}  // namespace qlv
