// The sensitivity sweep on scripted cell means, through the real detector's levels: the
// quiet and motion runs' verdicts of known answer.
#include <gtest/gtest.h>

#include <vector>

#include "detect/sensitivity_sweep.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

// An 8 x 4 RGB frame on a 4 x 2 grid, every cell 2 x 2 pixels and watched; the red channel
// compared, so that a cell painted grey v has the mean v exactly.
class Sweep : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas_ = testutil::Canvas(8, 4, PixelFormatRGB24, kernels::KernelLevel::Reference);
    detector_.SetKernelLevel(kernels::KernelLevel::Reference);
    detector_.KeepLevels(true);
    ASSERT_TRUE(detector_.ResizeSamples(8, 4));
    ASSERT_TRUE(grid_.Resize(4, 2));
    grid_.WatchAll();
    frame_.assign(canvas_.FrameBytes(), 100);
    s_.ControlY = 0;
    s_.ControlR = 1;
    s_.FrameCounter = 1;
  }
  void Paint(int32_t cell, uint8_t v) {
    for (int y = 2 * (cell / 4); y < 2 * (cell / 4) + 2; ++y)
      for (int x = 2 * (cell % 4); x < 2 * (cell % 4) + 2; ++x) {
        uint8_t* p = canvas_.PixelAddress(frame_.data(), x, y);
        p[0] = p[1] = p[2] = v;
      }
  }
  // One frame of the scene: every cell at `base`, plus `extra` on the cells listed; fed to the
  // detector and to the sweep.
  void Frame(SensitivitySweep& run, uint8_t base, std::initializer_list<int32_t> cells = {}, int extra = 0) {
    for (int32_t c = 0; c < 8; ++c) Paint(c, base);
    for (int32_t c : cells) Paint(c, static_cast<uint8_t>(base + extra));
    detector_.DetectMotion(frame_.data(), canvas_, grid_, s_);
    ASSERT_TRUE(detector_.frameCompared());
    run.Frame(detector_.levels().data(), detector_.state().reference(), detector_.compared(), s_);
  }
  // Sensor noise: every cell's mean moves by 4 from frame to frame.
  void Noise(SensitivitySweep& run, int frames) {
    for (int f = 0; f < frames; ++f) Frame(run, f % 2 ? 104 : 100);
  }

  FrameCanvas canvas_;
  MotionDetector detector_;
  MaskGrid grid_;
  SettingsRecord s_;
  std::vector<uint8_t> frame_;
};

TEST_F(Sweep, NoiseOfFourAndAWalkOfTwentyProposeSixAndTheWalkMustLastFrameCounterFrames) {
  SensitivitySweep quiet, motion;
  ASSERT_TRUE(quiet.Begin(8));
  Noise(quiet, 40);
  EXPECT_EQ(quiet.frames(), 40u);
  EXPECT_EQ(quiet.result(12).alarmFrames, 0u);
  EXPECT_EQ(quiet.result(13).alarmFrames, 39u);  // 4 > 16 - 13 on every frame but the first
  EXPECT_EQ(quiet.result(13).firstAlarmFrame, 2u);
  ASSERT_TRUE(motion.Begin(8));
  Noise(motion, 10);
  Frame(motion, 100, {5}, 24);  // the walk in cell 5: 20 above the last noise frame's 104
  Noise(motion, 10);
  EXPECT_EQ(motion.result(0).alarmFrames, 2u);  // into the cell and out of it
  SweepVerdict v = Judge(quiet, motion);
  EXPECT_EQ(v.quiet, 12);
  EXPECT_EQ(v.walk, 0);
  EXPECT_EQ(v.proposed, 6);
  EXPECT_EQ(CellsInAlarm(motion, 0), std::vector<int32_t>{5});

  // With FrameCounter 3 a walk of two changed frames (in, out) is missed where the noise is
  // not heard...
  s_.FrameCounter = 3;
  ASSERT_TRUE(motion.Begin(8));
  Noise(motion, 10);
  Frame(motion, 100, {5}, 24);
  Noise(motion, 10);
  v = Judge(quiet, motion);
  EXPECT_EQ(v.walk, 13);  // only where the noise alarms on its own
  EXPECT_EQ(v.proposed, -1);
  // ...and caught from 0 when it lasts three.
  ASSERT_TRUE(motion.Begin(8));
  Noise(motion, 10);
  Frame(motion, 100, {5}, 24);
  Frame(motion, 104, {5}, 40);
  Noise(motion, 1);
  EXPECT_EQ(Judge(quiet, motion).walk, 0);
}

TEST_F(Sweep, ALightChangeHeldByTheGuardKeepsTheQuietRunQuiet) {
  SensitivitySweep open, guarded, none;
  ASSERT_TRUE(open.Begin(8));
  Frame(open, 100);
  Frame(open, 110);  // the whole room by 10: alarms from 7 on (10 > 16 - 7)
  Frame(open, 110);
  EXPECT_EQ(Judge(open, none).quiet, 6);
  EXPECT_EQ(CellsInAlarm(open, 7).size(), 8u);

  s_.LightChangePercent = 50;
  s_.LightChangeFrames = 2;
  grid_.RestartCells();
  ASSERT_TRUE(guarded.Begin(8));
  Frame(guarded, 100);
  Frame(guarded, 110);
  Frame(guarded, 110);
  SweepVerdict v = Judge(guarded, none);
  EXPECT_EQ(v.quiet, 16);
  EXPECT_EQ(v.walk, -1);  // no motion run: nothing to propose
  EXPECT_EQ(v.proposed, -1);
  EXPECT_TRUE(CellsInAlarm(guarded, 16).empty());

  // Only a share below the guard's is heard; a restart of the cells starts every sensitivity
  // at rest again.
  Frame(guarded, 110, {0, 1, 2}, 10);
  EXPECT_EQ(guarded.result(7).alarmFrames, 1u);
  EXPECT_EQ(guarded.result(6).alarmFrames, 0u);
  guarded.RestartCells();
  grid_.RestartCells();
  Frame(guarded, 100, {0}, 50);  // the first frame after a restart never counts
  EXPECT_EQ(guarded.result(16).alarmFrames, 1u);
}

TEST(ChangeLevel, LargestEnabledChannelLeavingOutOldMeansOf255) {
  DetectorParams p;
  p.controlY = p.controlR = p.controlG = p.controlB = true;
  // Bytes: 3 Y, 2 R, 1 G, 0 B.
  EXPECT_EQ(ChangeLevel(0x64646464u, 0x6A646064u, p), 6);   // Y +6, G -4
  EXPECT_EQ(ChangeLevel(0xFF646464u, 0x00646464u, p), 0);   // Y's old mean 255: left out
  EXPECT_EQ(ChangeLevel(0x00000000u, 0xFFFFFFFFu, p), 255);
  p.controlY = false;
  EXPECT_EQ(ChangeLevel(0x64646464u, 0x6A646064u, p), 4);
  p.controlG = false;
  EXPECT_EQ(ChangeLevel(0x64646464u, 0x6A646064u, p), 0);
}

}  // namespace
}  // namespace qlv
