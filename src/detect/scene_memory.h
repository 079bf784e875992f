// The learnt scene of each cell: its four means × 256 as the empty view shows them. A cell
// differs from its scene when the light fit of the whole picture cannot explain its mean; a
// difference that lasts becomes part of the scene, and the scene follows slow drift.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "detect/light_fit.h"
#include "pixel/kernels.h"

namespace qlv {

// What one cell's comparison with its scene gave.
struct SceneVerdict {
  uint8_t bit = 0;      // the distance exceeds the cell's bar
  uint8_t baseBit = 0;  // the distance exceeds the plain threshold 16 − Sensitive
  uint8_t valid = 0;    // the scene was there before this frame (else it was learnt now)
  uint16_t level = 0;   // the largest floor(e / d) of the enabled channels, when valid
};

// A cell's four scene values (means × 256, 0 .. 65,280) packed in 16-bit lanes of one word,
// channel c in lane c: learning, drifting and rounding all four are then a few operations.
namespace scene_lanes {

constexpr uint64_t kLow9 = 0x01FF01FF01FF01FFull;
constexpr uint64_t kLow8 = 0x00FF00FF00FF00FFull;

// The four bytes of packed means, each in its own lane.
inline uint64_t Spread(uint32_t word) {
  uint64_t x = word;
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
  return (x | (x << 8)) & kLow8;
}
// s + floor((m × 256 − s) / 128) = s − ceil(s / 128) + 2m in every lane: no lane ever leaves
// 0 .. 65,280, so none borrows from or carries into the next.
inline uint64_t Drift(uint64_t scene, uint32_t word) {
  const uint64_t up = ((scene + 0x007F007F007F007Full) >> 7) & kLow9;
  return scene - up + (Spread(word) << 1);
}
// floor((s + 128) / 256) in every lane: the scene as whole levels.
inline uint64_t Rounded(uint64_t scene) { return ((scene + 0x0080008000800080ull) >> 8) & kLow8; }
inline int32_t Lane(uint64_t lanes, int c) { return static_cast<int32_t>((lanes >> (16 * c)) & 0xFFFF); }

}  // namespace scene_lanes

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
  // kNotCompared for each cell not compared, `enabled` the channels by byte. Fits the light of the frame from
  // the cells whose scene is there, then for each compared cell writes its verdict and updates
  // its scene: learnt when absent, taken over after `absorbFrames` frames of difference,
  // drifting towards the means otherwise. `bars` holds each cell's bar (null: `threshold` for all).
  void Compare(const uint32_t* means, const uint8_t* compared, const bool enabled[4], int64_t threshold,
               const int64_t* bars, uint32_t absorbFrames, SceneVerdict* out);
  // Compare in two steps, for a caller that does more with each cell in the same pass: the
  // light of the frame first, then each compared cell, in any order, once.
  // `level`: the vector passes the luma sums may use (those of the kernels in use).
  void FitLight(const uint32_t* means, const uint8_t* compared, const bool enabled[4],
                kernels::KernelLevel level = kernels::KernelLevel::Reference);
  // One frame's judgements, after FitLight: each compared cell once, in any order. The arrays
  // are held as plain pointers in the pass, a local of the caller's loop, so that they stay in
  // registers through the loop's byte stores (which may alias any member).
  struct Pass {
    uint64_t* scene;
    uint32_t* absorb;
    uint8_t* valid;
    const LinearFit* fits;
    const bool* identity;
    const int* channels;
    int used;

    // kUsed: the number of enabled channels when known at compile time, else 0; kOnly: the one
    // enabled channel when known (luma alone, the default), else -1. Inlined into the caller's
    // loop: a call per cell would cost more than the judgement.
    template <int kUsed, int kOnly = -1>
#if defined(__GNUC__)
    __attribute__((always_inline))
#endif
    SceneVerdict Judge(size_t i, uint32_t word, int64_t bar, int64_t threshold, uint32_t absorbFrames) const {
      SceneVerdict v;
      if (!valid[i]) {
        scene[i] = scene_lanes::Spread(word) << 8;
        absorb[i] = 0;
        valid[i] = 1;
        return v;
      }
      v.valid = 1;
      const uint64_t rounded = scene_lanes::Rounded(scene[i]);
      int64_t level = 0;
      const int n = kUsed > 0 ? kUsed : used;
      for (int k = 0; k < n; ++k) {
        const int c = kOnly >= 0 ? kOnly : channels[k];
        const int32_t x = scene_lanes::Lane(rounded, c), y = Byte(word, c);
        int64_t e, l;
        if (identity[c]) {  // most frames: the plain difference, no wide products
          e = y > x ? y - x : x - y;
          if (e > bar) v.bit = 1;
          if (e > threshold) v.baseBit = 1;
          l = e;
        } else {
          const LinearFit& f = fits[c];
          e = f.Distance(x, y);
          if (e > bar * f.d) v.bit = 1;
          if (e > threshold * f.d) v.baseBit = 1;
          l = e / f.d;  // e ≥ 0, d > 0: the floor
        }
        if (l > level) level = l;
      }
      v.level = static_cast<uint16_t>(level > 0xFFFF ? 0xFFFF : level);
      if (v.bit) {
        if (++absorb[i] >= absorbFrames) {  // the change is part of the scene now
          scene[i] = scene_lanes::Spread(word) << 8;
          absorb[i] = 0;
        }
      } else {
        absorb[i] = 0;
        scene[i] = scene_lanes::Drift(scene[i], word);  // the scene follows slow drift
      }
      return v;
    }
  };
  Pass BeginPass() { return Pass{scene_.get(), absorb_.get(), valid_.get(), fits_, identity_, channels_, used_}; }
  // In a frame held for a light change: every compared cell's scene becomes its means.
  void TakeLight(const uint32_t* means, const uint8_t* compared);
  int used() const { return used_; }
  // The fit Compare used last for byte c (identity when none held).
  const LinearFit& fit(int c) const { return fits_[c]; }
  // Cell i's scene value of byte c (mean × 256).
  int32_t scene(size_t i, int c) const { return scene_lanes::Lane(scene_[i], c); }
  uint32_t absorb(size_t i) const { return absorb_[i]; }
  bool valid(size_t i) const { return valid_[i] != 0; }

 private:
  template <int kUsed, int kOnly = -1>
  void SumLight(const uint32_t* means, const uint8_t* compared, FitSums* sums, int32_t* least,
                int32_t* greatest, size_t begin = 0) const;
  static int32_t Byte(uint32_t word, int c) { return static_cast<int32_t>((word >> (8 * c)) & 0xFF); }
  void Learn(size_t i, uint32_t word) {
    scene_[i] = scene_lanes::Spread(word) << 8;
    absorb_[i] = 0;
  }

  size_t count_ = 0;
  std::unique_ptr<uint64_t[]> scene_;  // a cell's four in its lanes
  std::unique_ptr<uint32_t[]> absorb_;
  std::unique_ptr<uint8_t[]> valid_;
  LinearFit fits_[4];
  bool identity_[4] = {true, true, true, true};
  int channels_[4] = {};  // the enabled bytes, `used_` of them
  int used_ = 0;
};

}  // namespace qlv
