#include "detect/change_memories.h"

#include <algorithm>

#include "detect/change_rule.h"

namespace qlv {

bool ChangeMemories::Prepare(size_t n, uint32_t sceneFrames, uint32_t busyMargin) {
  if (n == count_ && sceneFrames == sceneFrames_ && busyMargin == busyMargin_) return true;
  // Switching an option on starts its memory empty; the other keeps what it has.
  const bool sceneAgain = n != count_ || (sceneFrames > 0) != (sceneFrames_ > 0);
  const bool busyAgain = n != count_ || (busyMargin > 0) != (busyMargin_ > 0);
  sceneFrames_ = sceneFrames;
  busyMargin_ = busyMargin;
  count_ = n;
  bool ok = true;
  if (sceneAgain) ok = sceneFrames > 0 ? scene_.Allocate(n) : (scene_.Free(), true);
  if (ok && busyAgain) ok = busyMargin > 0 ? busy_.Allocate(n) : (busy_.Free(), true);
  if (!ok) Free();
  return ok;
}

void ChangeMemories::Free() {
  scene_.Free();
  busy_.Free();
  count_ = 0;
  sceneFrames_ = busyMargin_ = 0;
}

void ChangeMemories::Restart() {
  scene_.Restart();
  busy_.Restart();
}

void ChangeMemories::RestartCell(size_t i) {
  scene_.RestartCell(i);
  busy_.RestartCell(i);
}

uint32_t ChangeMemories::Decide(const int32_t* frameLevels, const uint32_t* means, const bool enabled[4],
                                int64_t threshold, uint8_t* changed, uint8_t* shown) {
  const bool scene = sceneOn(), busy = busyOn();
  if (scene) scene_.FitLight(means, changed, enabled);
  uint32_t count = 0;
  for (size_t i = 0; i < count_; ++i) {
    if (changed[i] == kNotCompared) continue;
    const int32_t frameLevel = frameLevels[i];
    // The bar comes from the record as it was before this frame.
    const int64_t bar = busy ? busy_.Bar(i, threshold, busyMargin_) : threshold;
    const SceneVerdict v = scene ? scene_.Judge(i, means[i], bar, threshold, sceneFrames_) : SceneVerdict();
    const bool bit = (frameLevel >= 0 && frameLevel > bar) || v.bit;
    changed[i] = bit ? 1 : 0;
    count += bit ? 1 : 0;
    const int32_t level = std::max<int32_t>(frameLevel < 0 ? 0 : frameLevel, v.valid ? v.level : 0);
    if (busy) busy_.Enter(i, static_cast<uint16_t>(level), (frameLevel >= 0 && frameLevel > threshold) || v.baseBit);
    if (shown) shown[i] = static_cast<uint8_t>(std::min(level, kNotCompared - 1));
  }
  if (busy) busy_.NextSlot();
  return count;
}

void ChangeMemories::AfterFrame(const uint32_t* means, const uint8_t* changed, bool held) {
  if (held && sceneOn()) scene_.TakeLight(means, changed);
}

}  // namespace qlv
