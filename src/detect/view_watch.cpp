#include "detect/view_watch.h"

#include <new>

#include "detect/change_rule.h"
#include "detect/light_fit.h"

namespace qlv {

namespace {

inline int32_t Luma(uint32_t word) { return static_cast<int32_t>(word >> 24); }

// A cell off the fit by more than this many levels does not follow the view.
constexpr int64_t kOffFit = 16;

}  // namespace

void ViewWatch::Restart() {
  view_.clear();
  run_ = 0;
  lost_ = false;
  likeRun_ = 0;
  lostFrames_ = 0;
  lastLike_ = true;
}

void ViewWatch::Remember(const uint32_t* means, const uint8_t* compared, size_t cells) {
  try {
    view_.assign(cells, 0);
    rounded_.assign(cells, 0);
  } catch (const std::bad_alloc&) {
    view_.clear();
    rounded_.clear();
    return;
  }
  for (size_t i = 0; i < cells; ++i)
    if (compared[i] != kNotCompared) view_[i] = Luma(means[i]) * 256;
}

bool ViewWatch::Like(const uint32_t* means, const uint8_t* compared, size_t cells) {
  FitSums sums;
  // Plain pointers: the byte stores below could alias the vectors' own.
  const int32_t* view = view_.data();
  uint8_t* rounded = rounded_.data();
  size_t i = 0;
  if (level_ >= kernels::KernelLevel::Sse2) {
    LumaSums l;
    i = level_ >= kernels::KernelLevel::Avx2 ? ViewLumaSums_AVX2(view, means, compared, cells, rounded, &l)
                                             : ViewLumaSums_SSE2(view, means, compared, cells, rounded, &l);
    sums = FitSums::Of(l);
  }
  for (; i < cells; ++i) {
    if (compared[i] == kNotCompared) continue;
    const int32_t x = RoundScaled(view[i]);
    rounded[i] = static_cast<uint8_t>(x);
    sums.Add(x, Luma(means[i]));
  }
  const LinearFit f = sums.Fit();
  if (f.d == 0) return true;
  // Less than a quarter of the contrast kept (covered, sprayed, out of focus), or more than
  // four times it.
  if (4 * f.a < f.d || f.a > 4 * f.d) return false;
  // Where a 64-bit product is one instruction, a·x + b and y·d per cell; elsewhere from tables
  // of every level, built by sums.
  constexpr bool kWide = sizeof(void*) == 8;
  int64_t line[256], scaled[256];
  if (!kWide) {
    int64_t ax = f.b, yd = 0;
    for (int32_t v = 0; v < 256; ++v, ax += f.a, yd += f.d) {
      line[v] = ax;
      scaled[v] = yd;
    }
  }
  const int64_t bound = kOffFit * f.d;
  // Counted in blocks, stopping once the rest of the cells cannot change the verdict.
  int64_t off = 0;
  for (i = 0; i < cells;) {
    const size_t end = cells - i > 64 ? i + 64 : cells;
    for (; i < end; ++i) {
      if (compared[i] == kNotCompared) continue;
      const int32_t x = rounded[i], y = Luma(means[i]);
      const int64_t e = kWide ? y * f.d - (f.a * x + f.b) : scaled[y] - line[x];
      off += (e < 0 ? -e : e) > bound ? 1 : 0;
    }
    if (2 * off >= sums.n) return false;
    if (2 * (off + static_cast<int64_t>(cells - i)) < sums.n) return true;
  }
  return 2 * off < sums.n;
}

ViewEvent ViewWatch::Frame(const uint32_t* means, const uint8_t* compared, size_t cells, uint32_t lostAfter) {
  if (view_.size() != cells) {
    // Nothing remembered (a restart): this frame is the view, and like it.
    Restart();
    Remember(means, compared, cells);
    return ViewEvent::None;
  }
  lastLike_ = Like(means, compared, cells);
  if (lastLike_) {
    run_ = 0;
    int32_t* view = view_.data();
    size_t i = 0;
    if (level_ >= kernels::KernelLevel::Sse2)
      i = level_ >= kernels::KernelLevel::Avx2 ? ViewFollow_AVX2(view, means, compared, cells)
                                               : ViewFollow_SSE2(view, means, compared, cells);
    for (; i < cells; ++i)
      if (compared[i] != kNotCompared) view[i] += FloorShift<8>(Luma(means[i]) * 256 - view[i]);
  } else {
    ++run_;
  }
  if (!lost_) {
    if (run_ < lostAfter) return ViewEvent::None;
    lost_ = true;
    likeRun_ = 0;
    lostFrames_ = 0;
    return ViewEvent::Lost;
  }
  likeRun_ = lastLike_ ? likeRun_ + 1 : 0;
  if (likeRun_ >= kBackFrames) {
    lost_ = false;
    return ViewEvent::Back;
  }
  if (++lostFrames_ >= kRelearnFrames) {
    Restart();
    Remember(means, compared, cells);
    return ViewEvent::Relearnt;
  }
  return ViewEvent::None;
}

}  // namespace qlv
