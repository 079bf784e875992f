#include <gtest/gtest.h>

#include <climits>

#include "detect/motion_detector.h"
#include "pixel/sample_conversion.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

using kernels::KernelLevel;

uint32_t Sample(uint8_t b, uint8_t g, uint8_t r, uint8_t y) { return b | g << 8 | r << 16 | uint32_t(y) << 24; }

TEST(SampleConversion, YuvPairs) {
  const uint8_t pairs[] = {81, 90, 81, 240, 100, 128, 100, 128};  // Y0 U Y1 V
  for (const kernels::KernelSet* k : {&testutil::Reference()}) {
    uint32_t out[4] = {};
    k->yuyvToSample(pairs, out, 4);
    EXPECT_EQ(out[0], Sample(13, 14, 238, 81));
    EXPECT_EQ(out[1], Sample(13, 14, 238, 81));
    EXPECT_EQ(out[2], Sample(100, 100, 100, 100));
    EXPECT_EQ(out[3], Sample(100, 100, 100, 100));
  }
}

TEST(SampleConversion, RgbLuma) {
  const uint8_t px[] = {10, 20, 30, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};  // B G R
  uint32_t out[5] = {};
  testutil::Reference().rgb24ToSample(px, out, 5);
  EXPECT_EQ(out[0], Sample(10, 20, 30, 21));
  EXPECT_EQ(out[1] >> 24, 76u);
  EXPECT_EQ(out[2] >> 24, 149u);
  EXPECT_EQ(out[3] >> 24, 29u);
  EXPECT_EQ(out[4], Sample(255, 255, 255, 255));
}

TEST(SampleConversion, SampleRowsAreBottomFirstForBothFormats) {
  // Picture row 0 is white, row 1 black, in both formats.
  FrameCanvas c;
  c.SetGeometry(2, 2, PixelFormatYUV422);
  const uint8_t yuv[] = {255, 128, 255, 128, 0, 128, 0, 128};
  uint32_t s[4];
  ConvertToSample(yuv, c, c.kernelSet(), s);
  EXPECT_EQ(s[0], 0u);           // memory row 0 = picture row 1
  EXPECT_EQ(s[2], 0xFFFFFFFFu);  // memory row 1 = picture row 0
  c.SetGeometry(2, 2, PixelFormatRGB24);
  const uint8_t rgb[] = {0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255};  // bottom row first
  ConvertToSample(rgb, c, c.kernelSet(), s);
  EXPECT_EQ(s[0], 0u);
  EXPECT_EQ(s[3], 0xFFFFFFFFu);
}

TEST(CellGeometry, EdgesByMulDiv) {
  const int32_t edges352[] = {0, 15, 29, 44, 59, 73, 88};
  for (int j = 0; j < 7; ++j) EXPECT_EQ(CellRectOf(j, 0, 352, 288, 24, 18).left, edges352[j]) << j;
  EXPECT_EQ(CellRectOf(23, 0, 352, 288, 24, 18).left, 337);
  EXPECT_EQ(CellRectOf(23, 0, 352, 288, 24, 18).right, 352);
  for (int i = 0; i < 18; ++i)
    for (int j = 0; j < 24; ++j) {
      CellRect r = CellRectOf(j, i, 720, 576, 24, 18);
      EXPECT_EQ(r.right - r.left, 30);
      EXPECT_EQ(r.bottom - r.top, 32);
    }
}

TEST(CellGeometry, AverageTruncates) {
  // 2 x 2 samples, bottom row first: picture (0,0) is sample[2].
  const uint32_t s[] = {Sample(1, 0, 0, 0), Sample(2, 0, 0, 255), Sample(0, 3, 9, 255), Sample(0, 0, 0, 254)};
  EXPECT_EQ(CellAverage(s, 2, 2, {0, 0, 2, 2}), Sample(0, 0, 2, 191));
  EXPECT_EQ(CellAverage(s, 2, 2, {0, 0, 1, 1}), Sample(0, 3, 9, 255));
}

TEST(ChangeTest, ThresholdCases) {
  struct Case { uint8_t oldY, newY; int32_t sensitive; int changed; };
  const Case cases[] = {{100, 107, 10, 1}, {100, 106, 10, 0}, {107, 100, 10, 1}, {255, 0, 10, 0},
                        {100, 101, 16, 1}, {100, 100, 16, 0}, {100, 116, 0, 0},  {100, 117, 0, 1},
                        {0, 0, 17, 1},     {254, 254, 20, 1}, {255, 255, 20, 0}, {0, 255, INT32_MIN, 0},
                        {0, 0, INT32_MAX, 1}};
  for (const Case& k : cases) {
    int flag = 0;
    ChannelChanged(uint32_t(k.oldY) << 24, uint32_t(k.newY) << 24, 3, k.sensitive, flag);
    EXPECT_EQ(flag, k.changed) << int(k.oldY) << "->" << int(k.newY) << " sensitive " << k.sensitive;
    flag = 1;
    ChannelChanged(uint32_t(k.oldY) << 24, uint32_t(k.newY) << 24, 3, k.sensitive, flag);
    EXPECT_EQ(flag, 1);  // never cleared
  }
  int flag = 0;
  ChannelChanged(NoReference, 0, 0, 16, flag);
  EXPECT_EQ(flag, 0);  // a cell at rest never counts
}

TEST(ChangeTest, FullMaskMapping) {
  const std::pair<int32_t, uint32_t> cases[] = {{1, 1u}, {3, 7u}, {25, 0x1FFFFFFu}, {31, 0x7FFFFFFFu},
                                                {32, 0xFFFFFFFFu}, {33, 0xFFFFFFFFu}, {INT32_MAX, 0xFFFFFFFFu},
                                                {0, 1u}, {-1, 1u}, {INT32_MIN, 1u}};
  for (const auto& k : cases) EXPECT_EQ(FullMask(k.first), k.second) << k.first;
  EXPECT_EQ(CellStateOf(0, 7, 7), CellState::Inactive);
  EXPECT_EQ(CellStateOf(2, 7, 7), CellState::Alarm);
  EXPECT_EQ(CellStateOf(1, 0, 7), CellState::Active);
  EXPECT_EQ(CellStateOf(1, 3, 7), CellState::Danger);
  EXPECT_EQ(CellStateOf(1, 0, 0), CellState::Alarm);  // Alarm is tested first
}

// A 48 x 36 frame on the default grid: every cell 2 x 2 pixels.
class Detector : public ::testing::TestWithParam<std::tuple<KernelLevel, int32_t>> {
 protected:
  void SetUp() override {
    canvas_ = testutil::Canvas(48, 36, format(), level());
    detector_.SetKernelLevel(level());
    ASSERT_TRUE(detector_.ResizeSamples(48, 36));
    grid_.SetDefaultGrid();
    frame_.assign(canvas_.FrameBytes(), 0);
    Paint(100);
  }
  KernelLevel level() const { return std::get<0>(GetParam()); }
  int32_t format() const { return std::get<1>(GetParam()); }
  // Grey of luma v everywhere.
  void Paint(uint8_t v) {
    for (size_t i = 0; i < frame_.size(); ++i) frame_[i] = format() == PixelFormatRGB24 || i % 2 == 0 ? v : 128;
  }
  // Grey of luma v in cell (column j, row i).
  void PaintCell(int32_t j, int32_t i, uint8_t v) {
    for (int y = 2 * i; y < 2 * i + 2; ++y)
      for (int x = 2 * j; x < 2 * j + 2; ++x) {
        uint8_t* p = canvas_.PixelAddress(frame_.data(), x, y);
        p[0] = v;
        if (format() == PixelFormatRGB24) p[1] = p[2] = v;
      }
  }
  int Run() { return detector_.DetectMotion(frame_.data(), canvas_, grid_, s_); }
  // The detector's memories, caught up with the grid's restarts as the next frame would.
  DetectorState& St() {
    EXPECT_TRUE(detector_.state().Follow(grid_));
    return detector_.state();
  }
  CellState State(int32_t cell) { return CellStateOf(grid_.watch()[cell], St().history()[cell], FullMask(s_.FrameCounter)); }

  FrameCanvas canvas_;
  MotionDetector detector_;
  MaskGrid grid_;
  SettingsRecord s_;
  std::vector<uint8_t> frame_;
};

TEST_P(Detector, FrameCounterThreeHistory) {
  s_.FrameCounter = 3;
  const int32_t cell = 2 * 24 + 5;
  grid_.ToggleCell(5, 2);
  PaintCell(5, 2, 10);
  EXPECT_EQ(Run(), 0);  // frame 1: first after a restart never counts
  EXPECT_EQ(St().history()[cell], 0u);
  EXPECT_EQ(St().reference()[cell], Sample(10, 10, 10, 10));
  const uint8_t lumas[] = {200, 10, 200};
  const CellState states[] = {CellState::Danger, CellState::Danger, CellState::Alarm};
  for (int f = 0; f < 3; ++f) {
    PaintCell(5, 2, lumas[f]);
    EXPECT_EQ(Run(), f == 2 ? 1 : 0) << "frame " << f + 2;
    EXPECT_EQ(State(cell), states[f]) << "frame " << f + 2;
  }
  EXPECT_EQ(St().history()[cell], 7u);
  EXPECT_EQ(Run(), 0);  // no change: Alarm -> Danger
  EXPECT_EQ(State(cell), CellState::Danger);
  s_.FrameCounter = 1;  // the next update drops the bits above the new N
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(St().history()[cell], 0u);
  EXPECT_EQ(State(cell), CellState::Active);
}

TEST_P(Detector, ChannelsAndThreshold) {
  grid_.WatchAll();
  EXPECT_EQ(Run(), 0);
  PaintCell(0, 0, 107);  // +7 > 16 - 10
  PaintCell(1, 0, 106);  // +6 is not
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(St().history()[0], 1u);
  EXPECT_EQ(St().history()[1], 0u);
  s_.ControlY = 0;  // no channel enabled: nothing counts
  PaintCell(0, 0, 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(St().history()[0], 0u);
  s_.ControlR = 1;  // grey changes every colour channel too
  PaintCell(0, 0, 100);
  EXPECT_EQ(Run(), 1);
}

TEST_P(Detector, UnwatchedGridReturnsZeroAndKeepsWords) {
  for (int32_t i = 0; i < grid_.cellCount(); ++i) St().history()[i] = 1;
  EXPECT_EQ(Run(), 0);
  Paint(250);
  EXPECT_EQ(Run(), 0);
  for (int32_t i = 0; i < grid_.cellCount(); ++i) {
    EXPECT_EQ(St().history()[i], 1u);
    EXPECT_EQ(St().reference()[i], NoReference);
  }
}

TEST_P(Detector, CellRowZeroIsTheTopOfThePicture) {
  grid_.WatchAll();
  PaintCell(3, 0, 200);
  Run();
  EXPECT_EQ(St().reference()[3] >> 24, 200u);
  EXPECT_EQ(St().reference()[17 * 24 + 3] >> 24, 100u);
}

TEST_P(Detector, SmallFramesSkipEmptyCells) {
  canvas_ = testutil::Canvas(10, 5, format(), level());
  ASSERT_TRUE(detector_.ResizeSamples(10, 5));
  frame_.assign(canvas_.FrameBytes(), 100);
  grid_.WatchAll();
  Run();
  int updated = 0;
  for (int32_t i = 0; i < 18; ++i)
    for (int32_t j = 0; j < 24; ++j) {
      CellRect r = CellRectOf(j, i, 10, 5, 24, 18);
      bool empty = r.right <= r.left || r.bottom <= r.top;
      EXPECT_EQ(St().reference()[i * 24 + j] == NoReference, empty) << j << "," << i;
      updated += !empty;
    }
  EXPECT_EQ(updated, 50);
}

TEST_P(Detector, UnknownFormatNeverCountsAChange) {
  canvas_.SetGeometry(48, 36, 9);
  grid_.WatchAll();
  for (int f = 0; f < 4; ++f) {
    Paint(f % 2 ? 0 : 255);
    EXPECT_EQ(Run(), 0);
  }
  for (int32_t i = 0; i < grid_.cellCount(); ++i) EXPECT_EQ(St().history()[i], 0u);
}

TEST_P(Detector, DisabledWithoutSampleBuffer) {
  grid_.WatchAll();
  EXPECT_FALSE(detector_.ResizeSamples(0, 36));
  EXPECT_FALSE(detector_.enabled());
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(St().reference()[0], NoReference);
  EXPECT_FALSE(detector_.ResizeSamples(70000, 70000));  // 4 bytes per pixel: beyond 32 bits
  EXPECT_TRUE(detector_.ResizeSamples(40, 36));
  EXPECT_EQ(Run(), 0);  // the canvas announces another size
  EXPECT_EQ(St().reference()[0], NoReference);
  EXPECT_TRUE(detector_.ResizeSamples(48, 36));
  Run();
  EXPECT_NE(St().reference()[0], NoReference);
}

INSTANTIATE_TEST_SUITE_P(
    LevelsAndFormats, Detector,
    ::testing::Combine(::testing::ValuesIn(testutil::AvailableLevels()),
                       ::testing::Values(int32_t(PixelFormatYUV422), int32_t(PixelFormatRGB24))),
    [](const ::testing::TestParamInfo<std::tuple<KernelLevel, int32_t>>& i) {
      return std::string(testutil::LevelName(std::get<0>(i.param))) +
             (std::get<1>(i.param) == PixelFormatYUV422 ? "Yuv" : "Rgb");
    });

}  // namespace
}  // namespace qlv
