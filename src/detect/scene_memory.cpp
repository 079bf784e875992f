#include "detect/scene_memory.h"

#include <cstring>
#include <new>

namespace qlv {

namespace {

inline int32_t Byte(uint32_t word, int c) { return static_cast<int32_t>((word >> (8 * c)) & 0xFF); }

}  // namespace

bool SceneMemory::Allocate(size_t n) {
  Free();
  scene_.reset(new (std::nothrow) int32_t[4 * n]);
  absorb_.reset(new (std::nothrow) uint32_t[n]);
  valid_.reset(new (std::nothrow) uint8_t[n]);
  if (!scene_ || !absorb_ || !valid_) {
    Free();
    return false;
  }
  count_ = n;
  std::memset(scene_.get(), 0, 4 * n * sizeof(int32_t));
  Restart();
  return true;
}

void SceneMemory::Free() {
  scene_.reset();
  absorb_.reset();
  valid_.reset();
  count_ = 0;
  for (LinearFit& f : fits_) f = LinearFit();
}

void SceneMemory::Restart() {
  if (count_ == 0) return;
  std::memset(absorb_.get(), 0, count_ * sizeof(uint32_t));
  std::memset(valid_.get(), 0, count_);
}

void SceneMemory::RestartCell(size_t i) {
  if (i >= count_) return;
  absorb_[i] = 0;
  valid_[i] = 0;
}

void SceneMemory::Learn(size_t i, uint32_t word) {
  for (int c = 0; c < 4; ++c) scene_[4 * i + c] = Byte(word, c) * 256;
  absorb_[i] = 0;
}

void SceneMemory::Compare(const uint32_t* means, const uint8_t* compared, const bool enabled[4], int64_t threshold,
                          const int64_t* bars, uint32_t absorbFrames, SceneVerdict* out) {
  // The light of this frame against the scenes there were before it, channel by channel.
  for (int c = 0; c < 4; ++c) {
    fits_[c] = LinearFit();
    if (!enabled[c]) continue;
    FitSums sums;
    for (size_t i = 0; i < count_; ++i)
      if (compared[i] && valid_[i]) sums.Add(RoundScaled(scene_[4 * i + c]), Byte(means[i], c));
    const LinearFit f = sums.Fit();
    if (!PlausibleGain(f)) continue;
    // Taken only when the light really moved some cell by more than 2 levels.
    for (size_t i = 0; i < count_; ++i) {
      if (!compared[i] || !valid_[i]) continue;
      const int64_t x = RoundScaled(scene_[4 * i + c]);
      const int64_t moved = f.a * x + f.b - f.d * x;
      if ((moved < 0 ? -moved : moved) > 2 * f.d) {
        fits_[c] = f;
        break;
      }
    }
  }
  for (size_t i = 0; i < count_; ++i) {
    if (!compared[i]) continue;
    SceneVerdict& v = out[i];
    v = SceneVerdict();
    if (!valid_[i]) {
      Learn(i, means[i]);
      valid_[i] = 1;
      continue;
    }
    v.valid = 1;
    const int64_t bar = bars ? bars[i] : threshold;
    int64_t level = 0;
    for (int c = 0; c < 4; ++c) {
      if (!enabled[c]) continue;
      const LinearFit& f = fits_[c];
      const int64_t e = f.Distance(RoundScaled(scene_[4 * i + c]), Byte(means[i], c));
      if (e > bar * f.d) v.bit = 1;
      if (e > threshold * f.d) v.baseBit = 1;
      const int64_t l = e / f.d;  // e ≥ 0, d > 0: the floor
      if (l > level) level = l;
    }
    v.level = static_cast<uint16_t>(level > 0xFFFF ? 0xFFFF : level);
    if (v.bit) {
      if (++absorb_[i] >= absorbFrames) Learn(i, means[i]);  // the change is part of the scene now
    } else {
      absorb_[i] = 0;
      for (int c = 0; c < 4; ++c) {
        int32_t& s = scene_[4 * i + c];
        s += static_cast<int32_t>(FloorDiv(int64_t{Byte(means[i], c)} * 256 - s, 128));
      }
    }
  }
}

void SceneMemory::TakeLight(const uint32_t* means, const uint8_t* compared) {
  for (size_t i = 0; i < count_; ++i)
    if (compared[i]) {
      Learn(i, means[i]);
      valid_[i] = 1;
    }
}

}  // namespace qlv
