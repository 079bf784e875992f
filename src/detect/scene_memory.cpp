#include "detect/scene_memory.h"

#include <cstring>
#include <new>

#include "detect/change_rule.h"
#include "detect/light_sums.h"

namespace qlv {

bool SceneMemory::Allocate(size_t n) {
  Free();
  scene_.reset(new (std::nothrow) uint64_t[n]);
  absorb_.reset(new (std::nothrow) uint32_t[n]);
  valid_.reset(new (std::nothrow) uint8_t[n]);
  if (!scene_ || !absorb_ || !valid_) {
    Free();
    return false;
  }
  count_ = n;
  std::memset(scene_.get(), 0, n * sizeof(uint64_t));
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

// The channel count a template argument: the sums stay in registers. kOnly: the one channel
// when known (luma alone, the default), else -1.
template <int kUsed, int kOnly>
void SceneMemory::SumLight(const uint32_t* means, const uint8_t* compared, FitSums* sums, int32_t* least,
                           int32_t* greatest, size_t begin) const {
  FitSums s[kUsed];
  int32_t lo[kUsed], hi[kUsed];
  for (int k = 0; k < kUsed; ++k) {
    s[k] = sums[k];
    lo[k] = least[k];
    hi[k] = greatest[k];
  }
  for (size_t i = begin; i < count_; ++i) {
    if (compared[i] == kNotCompared || !valid_[i]) continue;
    const uint32_t word = means[i];
    const uint64_t rounded = scene_lanes::Rounded(scene_[i]);
    for (int k = 0; k < kUsed; ++k) {
      const int c = kOnly >= 0 ? kOnly : channels_[k];
      const int32_t x = scene_lanes::Lane(rounded, c);
      s[k].Add(x, Byte(word, c));
      lo[k] = x < lo[k] ? x : lo[k];
      hi[k] = x > hi[k] ? x : hi[k];
    }
  }
  for (int k = 0; k < kUsed; ++k) {
    sums[k] = s[k];
    least[k] = lo[k];
    greatest[k] = hi[k];
  }
}

void SceneMemory::FitLight(const uint32_t* means, const uint8_t* compared, const bool enabled[4],
                           kernels::KernelLevel level) {
  used_ = 0;
  for (int c = 0; c < 4; ++c) {
    fits_[c] = LinearFit();
    identity_[c] = true;
    if (enabled[c]) channels_[used_++] = c;
  }
  // The light of this frame against the scenes there were before it, every enabled channel in
  // one pass.
  FitSums sums[4];
  int32_t least[4] = {255, 255, 255, 255}, greatest[4] = {0, 0, 0, 0};
  switch (used_) {
    case 1:
      if (channels_[0] == 3) {
        // Luma alone, the default: four cells a step, the rest one by one.
        size_t done = 0;
        if (level >= kernels::KernelLevel::Sse2) {
          LumaSums l;
          done = level >= kernels::KernelLevel::Avx2
                     ? SceneLumaSums_AVX2(scene_.get(), valid_.get(), means, compared, count_, &l)
                     : SceneLumaSums_SSE2(scene_.get(), valid_.get(), means, compared, count_, &l);
          sums[0] = FitSums::Of(l);
          least[0] = l.least;
          greatest[0] = l.greatest;
        }
        SumLight<1, 3>(means, compared, sums, least, greatest, done);
      } else {
        SumLight<1>(means, compared, sums, least, greatest);
      }
      break;
    case 2: SumLight<2>(means, compared, sums, least, greatest); break;
    case 3: SumLight<3>(means, compared, sums, least, greatest); break;
    case 4: SumLight<4>(means, compared, sums, least, greatest); break;
    default: break;
  }
  for (int k = 0; k < used_; ++k) {
    const int c = channels_[k];
    const LinearFit f = sums[k].Fit();
    if (!PlausibleGain(f)) continue;
    // Taken only when the light really moved some cell by more than 2 levels.
    const int64_t low = f.Moved(least[k]), high = f.Moved(greatest[k]);
    if ((low < 0 ? -low : low) > 2 * f.d || (high < 0 ? -high : high) > 2 * f.d) {
      fits_[c] = f;
      identity_[c] = f.identity();
    }
  }
}

void SceneMemory::Compare(const uint32_t* means, const uint8_t* compared, const bool enabled[4], int64_t threshold,
                          const int64_t* bars, uint32_t absorbFrames, SceneVerdict* out) {
  FitLight(means, compared, enabled);
  const Pass pass = BeginPass();
  for (size_t i = 0; i < count_; ++i)
    if (compared[i] != kNotCompared) out[i] = pass.Judge<0>(i, means[i], bars ? bars[i] : threshold, threshold, absorbFrames);
}

void SceneMemory::TakeLight(const uint32_t* means, const uint8_t* compared) {
  for (size_t i = 0; i < count_; ++i)
    if (compared[i] != kNotCompared) {
      Learn(i, means[i]);
      valid_[i] = 1;
    }
}

}  // namespace qlv
