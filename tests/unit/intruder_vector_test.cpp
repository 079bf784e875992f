// The SSE2 passes of the intruder options against their scalar loops, frame after frame on
// odd cell counts: every bit, count, level shown and remembered value must agree, through
// learning, absorbing, drifting, busy peaks leaving the record, restarts and light changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "detect/change_memories.h"
#include "detect/change_rule.h"
#include "detect/light_fit.h"
#include "detect/light_sums.h"
#include "detect/scene_memory.h"
#include "detect/view_watch.h"
#include "pixel/kernels.h"

namespace qlv {
namespace {

using kernels::KernelLevel;

bool HasSse2() { return kernels::KernelsFor(KernelLevel::Sse2) != nullptr; }

// Cells that mostly hold still with a little noise, figures in every other stretch of frames,
// a light change now and then.
struct Scene {
  std::mt19937 rng;
  std::vector<uint32_t> means;
  explicit Scene(size_t n, uint32_t seed) : rng(seed), means(n) {
    for (uint32_t& m : means) m = rng();
  }
  void Next(int frame) {
    const bool light = frame % 37 == 20;
    for (size_t i = 0; i < means.size(); ++i) {
      uint32_t m = means[i];
      const uint32_t r = rng() % 100;
      if (light) {  // every byte a quarter brighter, capped
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) out |= std::min<uint32_t>(255, ((m >> (8 * c)) & 0xFF) * 5 / 4 + 3) << (8 * c);
        m = out;
      } else if (r < 2 && (frame / 40) % 2 == 1) {
        m = rng();  // a figure, in every other stretch of 40 frames
      } else if (r < 12) {
        m ^= (rng() & 0x01010101u);  // noise
      }
      means[i] = m;
    }
  }
};

TEST(IntruderVectors, JudgementsAndScenesEqualTheScalarLoops) {
  if (!HasSse2()) GTEST_SKIP() << "no SSE2 on this CPU";
  for (KernelLevel level : {KernelLevel::Sse2, KernelLevel::Avx2}) {
    if (!kernels::KernelsFor(level)) continue;
    for (size_t n : {1u, 3u, 4u, 7u, 9u, 33u, 433u}) {
      for (int variant = 0; variant < 4; ++variant) {
        const bool busy = variant & 1, shown = variant & 2;
        ChangeMemories scalar, vector;
        scalar.SetKernelLevel(KernelLevel::Reference);
        vector.SetKernelLevel(level);
        const uint32_t absorb = 3 + variant;  // short, so that changes are absorbed often
        ASSERT_TRUE(scalar.Prepare(n, absorb, busy ? 2 : 0));
        ASSERT_TRUE(vector.Prepare(n, absorb, busy ? 2 : 0));
        Scene scene(n, static_cast<uint32_t>(n * 7 + variant));
        std::mt19937 rng(static_cast<uint32_t>(n + 100 * variant));
        const bool luma[4] = {false, false, false, true};
        int vectorFrames = 0;
        for (int frame = 0; frame < 260; ++frame) {
          scene.Next(frame);
          std::vector<int32_t> levels(n);
          std::vector<uint8_t> changedS(n), changedV(n), shownS(n, kNotCompared), shownV(n, kNotCompared);
          for (size_t i = 0; i < n; ++i) {
            // Big levels early so that peaks leave the busy record later; -1 now and then.
            const uint32_t r = rng() % 100;
            levels[i] = r < 5                  ? kNoLevel
                        : frame < 40 && r < 30 ? static_cast<int32_t>(rng() % 200)
                                               : static_cast<int32_t>(rng() % 12);
            changedS[i] = changedV[i] = rng() % 10 == 0 ? kNotCompared : 0;
          }
          if (frame % 53 == 30) {
            const size_t cell = rng() % n;
            scalar.RestartCell(cell);
            vector.RestartCell(cell);
          }
          const int64_t threshold = ChangeThreshold(static_cast<int32_t>(frame % 17));
          const uint32_t countS = scalar.Decide(levels.data(), scene.means.data(), luma, threshold, changedS.data(),
                                                shown ? shownS.data() : nullptr);
          const uint32_t countV = vector.Decide(levels.data(), scene.means.data(), luma, threshold, changedV.data(),
                                                shown ? shownV.data() : nullptr);
          vectorFrames += vector.scene().fit(3).identity() ? 1 : 0;
          const std::string at = std::string(kernels::KernelsFor(level)->name) + " cells " + std::to_string(n) +
                                 " variant " + std::to_string(variant) + " frame " + std::to_string(frame);
          ASSERT_EQ(countS, countV) << at;
          ASSERT_EQ(changedS, changedV) << at;
          ASSERT_EQ(shownS, shownV) << at;
          const LinearFit& fs = scalar.scene().fit(3);
          const LinearFit& fv = vector.scene().fit(3);
          ASSERT_TRUE(fs.a == fv.a && fs.b == fv.b && fs.d == fv.d) << at;
          for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(scalar.scene().valid(i), vector.scene().valid(i)) << at << " cell " << i;
            ASSERT_EQ(scalar.scene().absorb(i), vector.scene().absorb(i)) << at << " cell " << i;
            for (int c = 0; c < 4; ++c)
              ASSERT_EQ(scalar.scene().scene(i, c), vector.scene().scene(i, c)) << at << " cell " << i << " byte " << c;
            if (busy) {
              ASSERT_EQ(scalar.busy().top(i), vector.busy().top(i)) << at << " cell " << i;
              ASSERT_EQ(scalar.busy().baseCount(i), vector.busy().baseCount(i)) << at << " cell " << i;
            }
          }
          const bool held = frame % 37 == 20;
          scalar.AfterFrame(scene.means.data(), changedS.data(), held);
          vector.AfterFrame(scene.means.data(), changedV.data(), held);
        }
        if (n >= 33) {  // many frames took the vector pass, and some the fitted light
          EXPECT_GT(vectorFrames, 30) << n;
          EXPECT_LT(vectorFrames, 260) << n;
        }
      }
    }
  }
}

TEST(IntruderVectors, TheViewWatchEqualsTheScalarLoops) {
  if (!HasSse2()) GTEST_SKIP() << "no SSE2 on this CPU";
  for (KernelLevel level : {KernelLevel::Sse2, KernelLevel::Avx2}) {
    if (!kernels::KernelsFor(level)) continue;
    for (size_t n : {1u, 5u, 8u, 15u, 31u, 433u}) {
      ViewWatch scalar, vector;
      vector.SetKernelLevel(level);
      Scene scene(n, static_cast<uint32_t>(n));
      std::mt19937 rng(static_cast<uint32_t>(n));
      int unlike = 0, events = 0;
      for (int frame = 0; frame < 400; ++frame) {
        scene.Next(frame);
        std::vector<uint32_t> means = scene.means;
        if (frame >= 150 && frame < 230)  // a covered lens: every luma near black
          for (uint32_t& m : means) m = (m & 0x00FFFFFFu) | ((8 + (m >> 24) % 4) << 24);
        std::vector<uint8_t> compared(n);
        for (uint8_t& c : compared) c = rng() % 10 == 0 ? kNotCompared : 0;
        const ViewEvent es = scalar.Frame(means.data(), compared.data(), n, 20);
        const ViewEvent ev = vector.Frame(means.data(), compared.data(), n, 20);
        const std::string at = std::string(kernels::KernelsFor(level)->name) + " cells " + std::to_string(n) +
                               " frame " + std::to_string(frame);
        ASSERT_EQ(es, ev) << at;
        ASSERT_EQ(scalar.lastLike(), vector.lastLike()) << at;
        ASSERT_EQ(scalar.run(), vector.run()) << at;
        ASSERT_EQ(scalar.view(), vector.view()) << at;
        unlike += scalar.lastLike() ? 0 : 1;
        events += es != ViewEvent::None ? 1 : 0;
      }
      if (n >= 31) {
        EXPECT_GT(unlike, 20) << n;  // the cover was seen, and the view lost and back
        EXPECT_GE(events, 1) << n;
      }
    }
  }
}

// The light passes on their own, on random remembered values of every kind (halves that
// round up included), against the scalar sums and steps written out.
TEST(IntruderVectors, LightSumsAndTheViewsStepEqualTheScalarRules) {
  if (!HasSse2()) GTEST_SKIP() << "no SSE2 on this CPU";
  std::mt19937 rng(11);
  for (KernelLevel level : {KernelLevel::Sse2, KernelLevel::Avx2}) {
    if (!kernels::KernelsFor(level)) continue;
    const bool avx2 = level == KernelLevel::Avx2;
    for (size_t n : {0u, 1u, 3u, 4u, 7u, 8u, 9u, 17u, 255u, 1021u}) {
      std::vector<uint64_t> scene(n);
      std::vector<int32_t> view(n);
      std::vector<uint32_t> means(n);
      std::vector<uint8_t> valid(n), compared(n), rounded(n, 0), expectRounded(n, 0);
      for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 4; ++c) {
          const uint64_t lane = rng() % 4 == 0 ? (rng() % 255) * 256 + 128 : rng() % 65281;
          scene[i] |= lane << (16 * c);
        }
        view[i] = rng() % 3 == 0 ? static_cast<int32_t>(rng() % 255) * 256 + 128 : static_cast<int32_t>(rng() % 65281);
        means[i] = rng();
        valid[i] = rng() % 5 != 0;
        compared[i] = rng() % 7 == 0 ? kNotCompared : 0;
      }
      // The passes take the whole vectors; the rest is left to the caller, so stays as it was.
      const size_t step = avx2 ? 8 : 4, whole = n - n % step;
      LumaSums scalarScene, scalarView;
      std::vector<int32_t> followed = view;
      for (size_t i = 0; i < whole; ++i) {
        const int32_t y = static_cast<int32_t>(means[i] >> 24);
        expectRounded[i] = static_cast<uint8_t>(RoundScaled(view[i]));
        if (compared[i] == kNotCompared) continue;
        followed[i] += FloorShift<8>(y * 256 - view[i]);
        const int32_t xv = RoundScaled(view[i]);
        scalarView.n++, scalarView.sx += xv, scalarView.sy += y, scalarView.sxx += xv * xv, scalarView.sxy += xv * y;
        if (!valid[i]) continue;
        const int32_t xs = scene_lanes::Lane(scene_lanes::Rounded(scene[i]), 3);
        scalarScene.n++, scalarScene.sx += xs, scalarScene.sy += y, scalarScene.sxx += xs * xs,
            scalarScene.sxy += xs * y;
        scalarScene.least = std::min(scalarScene.least, xs);
        scalarScene.greatest = std::max(scalarScene.greatest, xs);
      }
      LumaSums vs, vv;
      std::vector<int32_t> stepped = view;
      ASSERT_EQ(avx2 ? SceneLumaSums_AVX2(scene.data(), valid.data(), means.data(), compared.data(), n, &vs)
                     : SceneLumaSums_SSE2(scene.data(), valid.data(), means.data(), compared.data(), n, &vs),
                whole);
      ASSERT_EQ(avx2 ? ViewLumaSums_AVX2(view.data(), means.data(), compared.data(), n, rounded.data(), &vv)
                     : ViewLumaSums_SSE2(view.data(), means.data(), compared.data(), n, rounded.data(), &vv),
                whole);
      ASSERT_EQ(avx2 ? ViewFollow_AVX2(stepped.data(), means.data(), compared.data(), n)
                     : ViewFollow_SSE2(stepped.data(), means.data(), compared.data(), n),
                whole);
      const std::string at = std::string(kernels::KernelsFor(level)->name) + " cells " + std::to_string(n);
      EXPECT_TRUE(vs.n == scalarScene.n && vs.sx == scalarScene.sx && vs.sy == scalarScene.sy &&
                  vs.sxx == scalarScene.sxx && vs.sxy == scalarScene.sxy && vs.least == scalarScene.least &&
                  vs.greatest == scalarScene.greatest)
          << at;
      EXPECT_TRUE(vv.n == scalarView.n && vv.sx == scalarView.sx && vv.sy == scalarView.sy &&
                  vv.sxx == scalarView.sxx && vv.sxy == scalarView.sxy)
          << at;
      EXPECT_EQ(rounded, expectRounded) << at;
      EXPECT_EQ(stepped, followed) << at;
    }
  }
}

}  // namespace
}  // namespace qlv
