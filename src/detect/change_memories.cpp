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
  const int used = sceneOn() ? (scene_.FitLight(means, changed, enabled, level_), scene_.used()) : -1;
  // Each combination its own loop: no per-cell test of what holds for the whole frame.
  uint32_t count = 0;
  const bool busy = busyOn();
  switch (used) {
    case -1: count = busy ? DecideCells<-1, true>(frameLevels, means, threshold, changed, shown)
                          : DecideCells<-1, false>(frameLevels, means, threshold, changed, shown); break;
    case 1:
      if (enabled[3])  // luma alone, the default
        count = busy ? DecideCells<1, true, 3>(frameLevels, means, threshold, changed, shown)
                     : DecideCells<1, false, 3>(frameLevels, means, threshold, changed, shown);
      else
        count = busy ? DecideCells<1, true>(frameLevels, means, threshold, changed, shown)
                     : DecideCells<1, false>(frameLevels, means, threshold, changed, shown);
      break;
    default: count = busy ? DecideCells<0, true>(frameLevels, means, threshold, changed, shown)
                          : DecideCells<0, false>(frameLevels, means, threshold, changed, shown); break;
  }
  if (busy) busy_.NextSlot();
  return count;
}

// kUsed: -1 without the scene memory, else the enabled channels when known (0: read each time);
// kOnly: the one enabled channel when known, else -1.
template <int kUsed, bool kBusy, int kOnly>
uint32_t ChangeMemories::DecideCells(const int32_t* frameLevels, const uint32_t* means, int64_t threshold,
                                     uint8_t* changed, uint8_t* shown) {
  uint32_t count = 0;
  const SceneMemory::Pass scene = kUsed >= 0 ? scene_.BeginPass() : SceneMemory::Pass();
  const BusyLevels::Pass busy = kBusy ? busy_.BeginPass() : BusyLevels::Pass();
  const uint32_t absorbFrames = sceneFrames_;
  const int64_t margin = busyMargin_;
  size_t i = 0;
  // Luma alone and the light unchanged, the frame almost every frame is: a vector of cells a step.
  constexpr bool kLuma = kUsed == 1 && kOnly == 3;
  if (kLuma && level_ >= kernels::KernelLevel::Sse2 && scene_.fit(3).identity() && threshold >= -(1 << 20) &&
      threshold <= (1 << 20) && absorbFrames <= (1u << 30)) {
    LumaJudgeArrays a = {};
    a.scene = scene.scene;
    a.absorb = scene.absorb;
    a.valid = scene.valid;
    a.means = means;
    a.frameLevels = frameLevels;
    a.changed = changed;
    a.shown = shown;
    if (kBusy) busy_.Describe(&a);
    a.threshold = static_cast<int32_t>(threshold);
    a.margin = static_cast<int32_t>(margin);
    a.absorbFrames = absorbFrames;
    i = level_ >= kernels::KernelLevel::Avx2 ? JudgeLumaCells_AVX2(a, count_, &count)
                                             : JudgeLumaCells_SSE2(a, count_, &count);
  }
  for (; i < count_; ++i) {
    if (changed[i] == kNotCompared) continue;
    const int32_t frameLevel = frameLevels[i];
    // The bar comes from the record as it was before this frame.
    const int64_t bar = kBusy ? busy.Bar(i, threshold, margin) : threshold;
    const SceneVerdict v = kUsed >= 0
                               ? scene.Judge<(kUsed > 0 ? kUsed : 0), kOnly>(i, means[i], bar, threshold, absorbFrames)
                               : SceneVerdict();
    const bool bit = (frameLevel >= 0 && frameLevel > bar) || v.bit;
    changed[i] = bit ? 1 : 0;
    count += bit ? 1 : 0;
    const int32_t level = std::max<int32_t>(frameLevel < 0 ? 0 : frameLevel, v.valid ? v.level : 0);
    if (kBusy) busy.Enter(i, static_cast<uint16_t>(level), (frameLevel >= 0 && frameLevel > threshold) || v.baseBit);
    if (shown) shown[i] = static_cast<uint8_t>(std::min(level, kNotCompared - 1));
  }
  return count;
}

void ChangeMemories::AfterFrame(const uint32_t* means, const uint8_t* changed, bool held) {
  if (held && sceneOn()) scene_.TakeLight(means, changed);
}

}  // namespace qlv
