// The learnt scene of each cell: its four means × 256 as the empty view shows them. A cell
// differs from its scene when the light fit of the whole picture cannot explain its mean; a
// difference that lasts becomes part of the scene, and the scene follows slow drift.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "detect/light_fit.h"

namespace qlv {

// What one cell's comparison with its scene gave.
struct SceneVerdict {
  uint8_t bit = 0;      // the distance exceeds the cell's bar
  uint8_t baseBit = 0;  // the distance exceeds the plain threshold 16 − Sensitive
  uint8_t valid = 0;    // the scene was there before this frame (else it was learnt now)
  uint16_t level = 0;   // the largest floor(e / d) of the enabled channels, when valid
};

class SceneMemory {
 public:
  // For n cells, none with a scene; false (and nothing held) when the memory is not there.
  bool Allocate(size_t n);
  void Free();
  size_t count() const { return count_; }
  // Every cell, or one, without a scene (restarts).
  void Restart();
  void RestartCell(size_t i);

  // One frame. `means` holds each cell's packed means (B in byte 0 … Y in byte 3), `compared`
  // which cells were compared, `enabled` the channels by byte. Fits the light of the frame from
  // the cells whose scene is there, then for each compared cell writes its verdict and updates
  // its scene: learnt when absent, taken over after `absorbFrames` frames of difference,
  // drifting towards the means otherwise. `bars` holds each cell's bar (null: `threshold` for all).
  void Compare(const uint32_t* means, const uint8_t* compared, const bool enabled[4], int64_t threshold,
               const int64_t* bars, uint32_t absorbFrames, SceneVerdict* out);
  // In a frame held for a light change: every compared cell's scene becomes its means.
  void TakeLight(const uint32_t* means, const uint8_t* compared);

  // The fit Compare used last for byte c (identity when none held).
  const LinearFit& fit(int c) const { return fits_[c]; }
  const int32_t* scene(size_t i) const { return &scene_[4 * i]; }
  uint32_t absorb(size_t i) const { return absorb_[i]; }
  bool valid(size_t i) const { return valid_[i] != 0; }

 private:
  void Learn(size_t i, uint32_t word);

  size_t count_ = 0;
  std::unique_ptr<int32_t[]> scene_;  // 4 a cell, by byte of the packed means
  std::unique_ptr<uint32_t[]> absorb_;
  std::unique_ptr<uint8_t[]> valid_;
  LinearFit fits_[4];
};

}  // namespace qlv
