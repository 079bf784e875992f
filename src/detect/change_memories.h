// The options that let a detector see what frame-to-frame differences miss: each cell also
// compared with its learnt scene (SceneSeconds), and a busy cell's own bar (BusyMargin). One
// set of memories per detector, and one per sensitivity in a sweep, since the bits feed back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "detect/busy_levels.h"
#include "detect/scene_memory.h"
#include "pixel/kernels.h"

namespace qlv {

// The per-cell memories behind the two options, and the frame's scratch.
class ChangeMemories {
 public:
  // Allocates what the options need for n cells (nothing for an option that is off). False
  // (and nothing held) when the memory is not there.
  bool Prepare(size_t n, uint32_t sceneFrames, uint32_t busyMargin);
  void Free();
  void Restart();
  void RestartCell(size_t i);

  // One frame. `frameLevels` holds each cell's frame-to-frame level (negative: no channel
  // counts), `changed` has kNotCompared for the cells not compared and is written with each
  // compared cell's bit: its frame level above its bar, or its scene distance above it.
  // `shown`, when not null, gets the larger of the frame change and the scene distance.
  // Returns the number of cells changed.
  uint32_t Decide(const int32_t* frameLevels, const uint32_t* means, const bool enabled[4], int64_t threshold,
                  uint8_t* changed, uint8_t* shown);
  // After the frame's hold is known: a held frame gives every compared cell's scene the new light.
  void AfterFrame(const uint32_t* means, const uint8_t* changed, bool held);

  // The vector passes the commonest frames may use: those of the level of the kernels in use.
  void SetKernelLevel(kernels::KernelLevel level) { level_ = level; }

  size_t count() const { return count_; }
  bool sceneOn() const { return sceneFrames_ > 0; }
  bool busyOn() const { return busyMargin_ > 0; }
  const SceneMemory& scene() const { return scene_; }
  const BusyLevels& busy() const { return busy_; }

 private:
  template <int kUsed, bool kBusy, int kOnly = -1>
  uint32_t DecideCells(const int32_t* frameLevels, const uint32_t* means, int64_t threshold, uint8_t* changed,
                       uint8_t* shown);

  kernels::KernelLevel level_ = kernels::ActiveKernels().level;
  uint32_t sceneFrames_ = 0;
  uint32_t busyMargin_ = 0;
  size_t count_ = 0;
  SceneMemory scene_;
  BusyLevels busy_;
};

}  // namespace qlv
