// The detector's rule, written once: when a cell's means count as a change at a
// sensitivity, and when a cell is in Alarm. The detector, the sensitivity sweep, the
// change levels and the tuning window's labels all ask here.
#pragma once

#include <cstdint>

namespace qlv {

// A cell changes when its level exceeds 16 - sensitive. Sensitive is read from the file
// unbounded, so the threshold is 64-bit and may be negative.
constexpr int64_t ChangeThreshold(int32_t sensitive) { return 16 - static_cast<int64_t>(sensitive); }

// The channels of the packed means (byte 0 B, 1 G, 2 R, 3 Y) that a detector compares.
constexpr uint32_t ChannelBits(bool y, bool r, bool g, bool b) {
  return (b ? 1u : 0u) | (g ? 2u : 0u) | (r ? 4u : 0u) | (y ? 8u : 0u);
}

// A cell's entry in the changed bits of one frame when it was not compared (not watched,
// or of zero area).
constexpr uint8_t kNotCompared = 0xFF;

// The level of a cell with no channel that counts: compared, but it never changes.
constexpr int32_t kNoLevel = -1;

// The largest |old - new| over the channels in `channels`, leaving out a channel whose old
// mean is 255 (a cell at rest holds 255 in every byte, so its first comparison never counts);
// kNoLevel when none is left.
inline int32_t CellLevel(uint32_t oldWord, uint32_t newWord, uint32_t channels) {
  int32_t level = kNoLevel;
  for (int c = 0; c < 4; ++c) {
    if (!(channels >> c & 1u)) continue;
    const int32_t o = (oldWord >> (8 * c)) & 0xFF, n = (newWord >> (8 * c)) & 0xFF;
    if (o == 255) continue;
    const int32_t d = o > n ? o - n : n - o;
    if (d > level) level = d;
  }
  return level;
}

// Whether a level is above the threshold; kNoLevel never is, whatever the threshold.
inline bool LevelChanges(int32_t level, int64_t threshold) { return level != kNoLevel && level > threshold; }

// A cell is in Alarm when every frame of its history window changed; a muted cell never is.
inline bool HistoryInAlarm(uint32_t history, uint32_t fullMask) { return history == fullMask; }
inline bool CountsInAlarm(uint8_t muted, uint32_t history, uint32_t fullMask) {
  return !muted && HistoryInAlarm(history, fullMask);
}

}  // namespace qlv
