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
  bool identity[4];
  for (int c = 0; c < 4; ++c) {
    fits_[c] = LinearFit();
    identity[c] = true;
    if (!enabled[c]) continue;
    FitSums sums;
    int32_t least = 255, greatest = 0;
    for (size_t i = 0; i < count_; ++i) {
      if (!compared[i] || !valid_[i]) continue;
      const int32_t x = RoundScaled(scene_[4 * i + c]);
      sums.Add(x, Byte(means[i], c));
      least = x < least ? x : least;
      greatest = x > greatest ? x : greatest;
    }
    const LinearFit f = sums.Fit();
    if (!PlausibleGain(f)) continue;
    // Taken only when the light really moved some cell by more than 2 levels.
    const int64_t low = f.Moved(least), high = f.Moved(greatest);
    if ((low < 0 ? -low : low) > 2 * f.d || (high < 0 ? -high : high) > 2 * f.d) {
      fits_[c] = f;
      identity[c] = f.identity();
    }
  }
  int channels[4], used = 0;
  for (int c = 0; c < 4; ++c)
    if (enabled[c]) channels[used++] = c;
  for (size_t i = 0; i < count_; ++i) {
    if (!compared[i]) continue;
    SceneVerdict& v = out[i];
    v = SceneVerdict();
    const uint32_t word = means[i];
    int32_t* scene = &scene_[4 * i];
    if (!valid_[i]) {
      Learn(i, word);
      valid_[i] = 1;
      continue;
    }
    v.valid = 1;
    const int64_t bar = bars ? bars[i] : threshold;
    int64_t level = 0;
    for (int k = 0; k < used; ++k) {
      const int c = channels[k];
      const int32_t x = RoundScaled(scene[c]), y = Byte(word, c);
      int64_t e, l;
      if (identity[c]) {  // most frames: the plain difference, no wide products
        e = y > x ? y - x : x - y;
        if (e > bar) v.bit = 1;
        if (e > threshold) v.baseBit = 1;
        l = e;
      } else {
        const LinearFit& f = fits_[c];
        e = f.Distance(x, y);
        if (e > bar * f.d) v.bit = 1;
        if (e > threshold * f.d) v.baseBit = 1;
        l = e / f.d;  // e ≥ 0, d > 0: the floor
      }
      if (l > level) level = l;
    }
    v.level = static_cast<uint16_t>(level > 0xFFFF ? 0xFFFF : level);
    if (v.bit) {
      if (++absorb_[i] >= absorbFrames) Learn(i, word);  // the change is part of the scene now
    } else {
      absorb_[i] = 0;
      // The scene follows slow drift: 1/128 of the way, rounded down. Means × 256 fit 32 bits.
      for (int c = 0; c < 4; ++c) scene[c] += FloorShift<7>(Byte(word, c) * 256 - scene[c]);
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
