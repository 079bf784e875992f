// The scene memory, the busy margin's record and the view watch on small grids, with the
// integers worked out by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "detect/busy_levels.h"
#include "detect/light_fit.h"
#include "detect/scene_memory.h"
#include "detect/view_watch.h"

namespace qlv {
namespace {

uint32_t Luma(int32_t y) { return static_cast<uint32_t>(y) << 24; }
uint32_t Grey(int32_t v) { return static_cast<uint32_t>(v) * 0x01010101u; }
const bool kYOnly[4] = {false, false, false, true};

TEST(LightFit, FloorRoundsTowardMinusInfinity) {
  EXPECT_EQ(FloorShift<7>(1024), 8);
  EXPECT_EQ(FloorShift<7>(127), 0);
  EXPECT_EQ(FloorShift<7>(-1), -1);
  EXPECT_EQ(FloorShift<7>(-128), -1);
  EXPECT_EQ(FloorShift<7>(-1032), -9);  // / would give -8
  // Over every difference a scene or a view can have, against floor written out.
  for (int32_t num = -70000; num <= 70000; ++num) {
    for (int32_t den : {128, 256}) {
      const int32_t q = num / den, floor = (num % den != 0 && num < 0) ? q - 1 : q;
      ASSERT_EQ(den == 128 ? FloorShift<7>(num) : FloorShift<8>(num), floor) << num;
    }
  }
  EXPECT_EQ(RoundScaled(25736 - 128), 100);
  EXPECT_EQ(RoundScaled(25600 + 127), 100);
  EXPECT_EQ(RoundScaled(25600 + 128), 101);
}

// The packed lanes against the rules written out per channel: every scene value with every
// mean in lane 0, the other lanes random, so that a borrow or carry between lanes shows.
TEST(SceneLanes, DriftAndRoundingEqualTheRulesInEveryLane) {
  std::mt19937 rng(7);
  for (int32_t s0 = 0; s0 <= 65280; s0 += 1 + (s0 % 7 == 0 ? 0 : 2)) {
    for (int32_t m0 = 0; m0 < 256; m0 += 5) {
      int32_t s[4] = {s0}, m[4] = {m0};
      for (int c = 1; c < 4; ++c) {
        s[c] = static_cast<int32_t>(rng() % 65281);
        m[c] = static_cast<int32_t>(rng() % 256);
      }
      uint64_t lanes = 0;
      uint32_t word = 0;
      for (int c = 0; c < 4; ++c) {
        lanes |= static_cast<uint64_t>(s[c]) << (16 * c);
        word |= static_cast<uint32_t>(m[c]) << (8 * c);
      }
      const uint64_t drifted = scene_lanes::Drift(lanes, word), rounded = scene_lanes::Rounded(lanes);
      for (int c = 0; c < 4; ++c) {
        ASSERT_EQ(scene_lanes::Lane(drifted, c), s[c] + FloorShift<7>(m[c] * 256 - s[c])) << s[c] << " " << m[c];
        ASSERT_EQ(scene_lanes::Lane(rounded, c), RoundScaled(s[c])) << s[c];
      }
    }
  }
  EXPECT_EQ(scene_lanes::Spread(0x04030201u) << 8, 0x0400030002000100ull);
}

// One cell: the fit of a single cell is the identity (D = 0), so the distance is the plain difference.
TEST(SceneMemory, LearnsDriftsAndAbsorbsALastingChange) {
  SceneMemory scene;
  ASSERT_TRUE(scene.Allocate(1));
  const uint8_t compared[1] = {0};  // compared, no change decided yet
  SceneVerdict v;
  uint32_t m = Luma(100) | Grey(100) >> 8;  // B G R = 100, Y = 100
  scene.Compare(&m, compared, kYOnly, 6, nullptr, 3, &v);
  EXPECT_EQ(v.valid, 0);  // learnt now: no bit
  EXPECT_EQ(v.bit, 0);
  EXPECT_EQ(scene.scene(0, 3), 25600);

  // Drift: 104 is 4 away (≤ 6), the scene moves 1/128 of the way.
  m = Luma(104);
  scene.Compare(&m, compared, kYOnly, 6, nullptr, 3, &v);
  EXPECT_EQ(v.valid, 1);
  EXPECT_EQ(v.bit, 0);
  EXPECT_EQ(v.level, 4);
  EXPECT_EQ(scene.scene(0, 3), 25608);
  EXPECT_EQ(scene.scene(0, 0), 25600 - 200);  // every channel drifts: B went from 100 to 0
  // Down again: floor((96 × 256 − 25608) / 128) = floor(−8.06) = −9.
  m = Luma(96);
  scene.Compare(&m, compared, kYOnly, 6, nullptr, 3, &v);
  EXPECT_EQ(v.level, 4);  // x = floor((25608 + 128) / 256) = 100
  EXPECT_EQ(scene.scene(0, 3), 25599);

  // A jump of 40 lasts: bits 1, 1, then at the third (K = 3) the scene takes it.
  m = Luma(140);
  for (uint32_t a = 1; a <= 3; ++a) {
    scene.Compare(&m, compared, kYOnly, 6, nullptr, 3, &v);
    EXPECT_EQ(v.bit, 1) << a;
    EXPECT_EQ(scene.absorb(0), a == 3 ? 0u : a);
  }
  EXPECT_EQ(scene.scene(0, 3), 140 * 256);
  scene.Compare(&m, compared, kYOnly, 6, nullptr, 3, &v);
  EXPECT_EQ(v.bit, 0);

  // A bar above the threshold: 30 away is a base bit but not a bit against a bar of 35.
  m = Luma(170);
  const int64_t bar = 35;
  scene.Compare(&m, compared, kYOnly, 6, &bar, 3, &v);
  EXPECT_EQ(v.bit, 0);
  EXPECT_EQ(v.baseBit, 1);
  EXPECT_EQ(v.level, 30);

  // A held frame takes the light at once; a restart forgets the scene.
  m = Luma(20);
  scene.TakeLight(&m, compared);
  EXPECT_EQ(scene.scene(0, 3), 20 * 256);
  EXPECT_EQ(scene.absorb(0), 0u);
  scene.RestartCell(0);
  EXPECT_FALSE(scene.valid(0));
}

// Twenty cells; the light goes up by 20 everywhere while someone stands in cell 9.
TEST(SceneMemory, LightOverThePictureIsFittedAndTheFigureStillCounts) {
  constexpr size_t n = 20;
  SceneMemory scene;
  ASSERT_TRUE(scene.Allocate(n));
  std::vector<uint8_t> compared(n, 0);
  std::vector<uint32_t> m(n);
  std::vector<SceneVerdict> v(n);
  for (size_t i = 0; i < n; ++i) m[i] = Luma(20 + 10 * static_cast<int32_t>(i));
  scene.Compare(m.data(), compared.data(), kYOnly, 6, nullptr, 250, v.data());

  // The light alone: the fit is y = x + 20 exactly, and no cell differs from its scene.
  std::vector<uint32_t> lit(n);
  for (size_t i = 0; i < n; ++i) lit[i] = Luma(40 + 10 * static_cast<int32_t>(i));
  SceneMemory copy;
  ASSERT_TRUE(copy.Allocate(n));
  copy.Compare(m.data(), compared.data(), kYOnly, 6, nullptr, 250, v.data());
  copy.Compare(lit.data(), compared.data(), kYOnly, 6, nullptr, 250, v.data());
  EXPECT_EQ(copy.fit(3).a, copy.fit(3).d);
  EXPECT_EQ(copy.fit(3).b, 20 * copy.fit(3).d);
  for (size_t i = 0; i < n; ++i) EXPECT_EQ(v[i].bit, 0) << i;

  // With the figure: D = 1,330,000, A = 1,324,000, B = 31,280,000; the others stay 2 or 3 off.
  lit[9] = Luma(40 + 90 + 60);
  scene.Compare(lit.data(), compared.data(), kYOnly, 6, nullptr, 250, v.data());
  EXPECT_EQ(scene.fit(3).d, 1330000);
  EXPECT_EQ(scene.fit(3).a, 1324000);
  EXPECT_EQ(scene.fit(3).b, 31280000);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(v[i].bit, i == 9 ? 1 : 0) << i;
    EXPECT_EQ(v[i].level, i == 9 ? 56 : i < 9 ? 3 : 2) << i;
  }
  // A channel not enabled is not fitted.
  EXPECT_EQ(scene.fit(0).d, 1);
  EXPECT_EQ(scene.fit(0).a, 1);
}

TEST(SceneMemory, ImplausibleGainOrNoRealMoveKeepsTheIdentity) {
  constexpr size_t n = 4;
  SceneMemory scene;
  ASSERT_TRUE(scene.Allocate(n));
  const uint8_t compared[n] = {0, 0, 0, 0};
  SceneVerdict v[n];
  const uint32_t learnt[n] = {Luma(40), Luma(45), Luma(50), Luma(55)};
  scene.Compare(learnt, compared, kYOnly, 6, nullptr, 250, v);
  // y = 5x − 150: no light does that; the plain difference counts.
  const uint32_t bright[n] = {Luma(50), Luma(75), Luma(100), Luma(125)};
  SceneMemory a;
  ASSERT_TRUE(a.Allocate(n));
  a.Compare(learnt, compared, kYOnly, 6, nullptr, 250, v);
  a.Compare(bright, compared, kYOnly, 6, nullptr, 250, v);
  EXPECT_EQ(a.fit(3).d, 1);
  EXPECT_EQ(v[3].level, 70);
  // Each cell 1 level up: a plausible fit that moves no cell by more than 2 is not taken.
  const uint32_t nudged[n] = {Luma(41), Luma(46), Luma(51), Luma(56)};
  scene.Compare(nudged, compared, kYOnly, 6, nullptr, 250, v);
  EXPECT_EQ(scene.fit(3).d, 1);
  EXPECT_EQ(v[2].level, 1);
}

TEST(BusyLevels, ABusyCellsBarIsItsPeakPlusTheMarginAndAQuietCellKeepsTheThreshold) {
  BusyLevels busy;
  ASSERT_TRUE(busy.Allocate(2));
  // Cell 0 flickers: 10, 12, 9 over the plain threshold 6; cell 1 moved once by 30.
  const uint16_t flicker[3] = {10, 12, 9};
  for (uint16_t level : flicker) {
    EXPECT_EQ(busy.Bar(0, 6, 3), 6);  // two base bits are not yet busy
    busy.Enter(0, level, true);
    busy.Enter(1, level == 12 ? 30 : 0, level == 12);
    busy.NextSlot();
  }
  EXPECT_EQ(busy.Bar(0, 6, 3), 15);
  EXPECT_EQ(busy.Bar(1, 6, 3), 6);
  EXPECT_EQ(busy.Bar(0, 20, 3), 20);  // never below the threshold
  // The peak leaves after 100 frames: 12 entered at slot 1, so 99 quiet frames later only 9 is left.
  for (int32_t k = 0; k < 99; ++k) {
    busy.Enter(0, 0, false);
    busy.NextSlot();
  }
  EXPECT_EQ(busy.top(0), 9);
  EXPECT_EQ(busy.baseCount(0), 1);
  EXPECT_EQ(busy.Bar(0, 6, 3), 6);
  busy.RestartCell(1);
  EXPECT_EQ(busy.top(1), 0);
}

// Sixteen cells of a varied view under a lost-after of 4 frames.
class ViewWatchTest : public ::testing::Test {
 protected:
  static constexpr size_t kCells = 16;
  void SetUp() override {
    for (size_t i = 0; i < kCells; ++i) view_[i] = Luma(static_cast<int32_t>(30 + (i * 37) % 200));
    compared_.assign(kCells, 1);
    EXPECT_EQ(watch_.Frame(view_, compared_.data(), kCells, 4), ViewEvent::None);  // remembered
  }
  ViewEvent Show(const uint32_t* means) { return watch_.Frame(means, compared_.data(), kCells, 4); }

  ViewWatch watch_;
  uint32_t view_[kCells];
  std::vector<uint8_t> compared_;
};

TEST_F(ViewWatchTest, ACoveredLensIsLostAfterTheRunAndComesBackAfter25LikeFrames) {
  uint32_t lit[kCells], covered[kCells];
  for (size_t i = 0; i < kCells; ++i) {
    lit[i] = Luma(static_cast<int32_t>(((view_[i] >> 24) * 11) / 10 - 10));  // a light change: like
    covered[i] = Luma(static_cast<int32_t>(20 + i % 3));                    // contrast gone
  }
  for (int k = 0; k < 10; ++k) EXPECT_EQ(Show(lit), ViewEvent::None);
  EXPECT_TRUE(watch_.lastLike());
  for (uint32_t k = 1; k <= 3; ++k) {
    EXPECT_EQ(Show(covered), ViewEvent::None);
    EXPECT_EQ(watch_.run(), k);
  }
  EXPECT_EQ(Show(covered), ViewEvent::Lost);
  EXPECT_TRUE(watch_.lost());
  EXPECT_EQ(Show(covered), ViewEvent::None);  // lost once, alarmed once
  for (int k = 0; k < 24; ++k) EXPECT_EQ(Show(view_), ViewEvent::None) << k;
  EXPECT_TRUE(watch_.lost());
  EXPECT_EQ(Show(view_), ViewEvent::Back);
  EXPECT_FALSE(watch_.lost());
  EXPECT_EQ(watch_.run(), 0u);
}

TEST_F(ViewWatchTest, ATurnedCameraIsUnlikeAndAfter7500FramesBecomesTheView) {
  uint32_t turned[kCells];
  for (size_t i = 0; i < kCells; ++i) turned[i] = view_[(i * 7 + 3) % kCells];  // same levels, other places
  for (int k = 0; k < 3; ++k) Show(turned);
  EXPECT_FALSE(watch_.lastLike());
  EXPECT_EQ(Show(turned), ViewEvent::Lost);
  for (uint32_t k = 1; k < ViewWatch::kRelearnFrames; ++k) ASSERT_EQ(Show(turned), ViewEvent::None) << k;
  EXPECT_EQ(Show(turned), ViewEvent::Relearnt);
  EXPECT_FALSE(watch_.lost());
  EXPECT_EQ(watch_.view()[0], static_cast<int32_t>(turned[0] >> 24) * 256);
  EXPECT_EQ(Show(turned), ViewEvent::None);
  EXPECT_TRUE(watch_.lastLike());
}

TEST_F(ViewWatchTest, LikeFramesMoveTheViewAndARestartForgetsIt) {
  uint32_t up[kCells];
  for (size_t i = 0; i < kCells; ++i) up[i] = view_[i] + Luma(1);
  Show(up);
  // v + floor((y × 256 − v) / 256): one level up moves the view by exactly 1/256 of a level × 256.
  EXPECT_EQ(watch_.view()[0], static_cast<int32_t>(view_[0] >> 24) * 256 + 1);
  for (int k = 0; k < 3; ++k) Show(up);
  watch_.Restart();
  EXPECT_TRUE(watch_.view().empty());
  EXPECT_FALSE(watch_.lost());
}

}  // namespace
}  // namespace qlv
