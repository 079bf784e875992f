// What a detector remembers of each cell between frames besides its means: the history
// word and the false-alarm guards' state. The detector keeps one in its DetectorState; a
// sensitivity sweep keeps one for each sensitivity it tries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qlv {

// The busy record's window: a cell's last kBusyFrames compared frames.
constexpr int32_t kBusyFrames = 100;
static_assert(kBusyFrames <= 255, "a cell's busy count is one byte");

// The frames of the busy window that `percent` of it covers. The guards' percentages are
// whole frames only while the window is 100 frames long; any other window would round.
constexpr uint32_t BusyFramesOf(uint32_t percent) {
  static_assert(kBusyFrames == 100, "MuteBusyPercent compared as a count of frames");
  return static_cast<uint32_t>(static_cast<uint64_t>(percent) * kBusyFrames / 100);
}

struct CellRecords {
  static constexpr int32_t kBusyFrames = qlv::kBusyFrames;
  // 64-bit words of one cell's ring, enough for the whole window.
  static constexpr size_t kBusyWords = (kBusyFrames + 63) / 64;

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
  // The changed bits of each cell's last kBusyFrames compared frames: a ring of kBusyWords
  // words a cell, all cells at the same slot; how many of them are 1; whether the cell is muted.
  std::unique_ptr<uint64_t[]> busyBits;
  std::unique_ptr<uint8_t[]> busyCount;
  std::unique_ptr<uint8_t[]> muted;
  int32_t busySlot = 0;
  uint32_t hold = 0;  // frames still held after a light change
};

}  // namespace qlv
