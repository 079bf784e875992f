#include <gtest/gtest.h>

#include <set>

#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

// Whether picture pixel (x, y) differs between two frames (its own luma or B byte).
bool Changed(const FrameCanvas& c, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x, int y) {
  return *c.PixelAddress(a.data(), x, y) != *c.PixelAddress(b.data(), x, y);
}

std::set<int> ExpectedLines(int size, int cells) {
  std::set<int> s;
  for (int k = 0; k < cells; ++k) {
    s.insert(size * k / cells);
    s.insert(size * (k + 1) / cells - 1);
  }
  return s;
}

TEST(GridOverlay, LinesOf720x576) {
  const std::set<int> columns = ExpectedLines(720, 24), rows = ExpectedLines(576, 18);
  ASSERT_TRUE(columns.count(29) && columns.count(30) && columns.count(719) && !columns.count(31));
  ASSERT_TRUE(rows.count(31) && rows.count(32) && rows.count(544) && rows.count(575));
  MaskGrid grid;
  grid.SetDefaultGrid();
  SettingsRecord s;
  s.GridOpacity = 100;
  for (int32_t format : {0, 1}) {
    FrameCanvas c;
    c.SetGeometry(720, 576, format);
    std::vector<uint8_t> before(c.FrameBytes(), 0x40), frame = before;
    DrawGrid(frame.data(), c, grid, s);
    std::set<int> gotColumns, gotRows;
    for (int x = 0; x < 720; ++x)
      if (Changed(c, frame, before, x, 16)) gotColumns.insert(x);
    for (int y = 0; y < 576; ++y)
      if (Changed(c, frame, before, 15, y)) gotRows.insert(y);
    EXPECT_EQ(gotColumns, columns) << format;
    EXPECT_EQ(gotRows, rows) << format;
    if (format == PixelFormatYUV422) {
      const uint8_t* row = c.PixelAddress(frame.data(), 0, 16);
      // Odd column 29: luma only. Even column 30: Y0, U and V of its pair, not Y1.
      EXPECT_EQ(row[56], 0x40);
      EXPECT_EQ(row[57], 0x40);
      EXPECT_NE(row[58], 0x40);
      EXPECT_EQ(row[59], 0x40);
      EXPECT_NE(row[60], 0x40);
      EXPECT_NE(row[61], 0x40);
      EXPECT_EQ(row[62], 0x40);
      EXPECT_NE(row[63], 0x40);
      // Horizontal lines blend whole pairs.
      const uint8_t* top = c.PixelAddress(frame.data(), 0, 0);
      for (int i = 0; i < 1440; ++i) EXPECT_NE(top[i], 0x40) << i;
    }
  }
}

TEST(GridOverlay, ZeroOpacityChangesNothing) {
  MaskGrid grid;
  grid.SetDefaultGrid();
  SettingsRecord s;
  s.GridOpacity = 0;
  FrameCanvas c;
  c.SetGeometry(64, 48, PixelFormatYUV422);
  std::vector<uint8_t> frame(c.FrameBytes(), 0x40);
  DrawGrid(frame.data(), c, grid, s);
  EXPECT_EQ(frame, std::vector<uint8_t>(c.FrameBytes(), 0x40));
}

// RGB24 frame 48 x 36 of bytes 0x40 on the default grid: cells are 2 x 2 pixels.
class StateAreas : public ::testing::Test {
 protected:
  void SetUp() override {
    c_.SetGeometry(48, 36, PixelFormatRGB24);
    grid_.SetDefaultGrid();
    frame_.assign(c_.FrameBytes(), 0x40);
  }
  // B, G, R of the top-left pixel of cell (j, i).
  std::vector<int> Cell(int j, int i) {
    const uint8_t* p = c_.PixelAddress(frame_.data(), 2 * j, 2 * i);
    return {p[0], p[1], p[2]};
  }
  DetectorState& St() {
    EXPECT_TRUE(state_.Follow(grid_));
    return state_;
  }
  FrameCanvas c_;
  MaskGrid grid_;
  DetectorState state_;
  SettingsRecord s_;
  std::vector<uint8_t> frame_;
};

TEST_F(StateAreas, DefaultColoursByState) {
  s_.FrameCounter = 3;
  grid_.ToggleCell(1, 0);  // Active (history 0)
  grid_.ToggleCell(2, 0);
  St().history()[2] = 7;  // Alarm
  grid_.ToggleCell(3, 0);
  St().history()[3] = 2;  // Danger
  const std::vector<uint32_t> history(St().history(), St().history() + grid_.cellCount());
  DrawStateAreas(frame_.data(), c_, grid_, state_, s_);
  // 30 %: w = 179; 0x40 toward 0 gives 44, toward 255 gives 121.
  EXPECT_EQ(Cell(0, 0), (std::vector<int>{0x40, 0x40, 0x40}));  // Inactive at opacity 0
  EXPECT_EQ(Cell(1, 0), (std::vector<int>{44, 121, 44}));       // green
  EXPECT_EQ(Cell(2, 0), (std::vector<int>{44, 44, 121}));       // red
  EXPECT_EQ(Cell(3, 0), (std::vector<int>{121, 44, 44}));       // blue
  EXPECT_EQ(std::vector<uint32_t>(St().history(), St().history() + grid_.cellCount()), history);
}

TEST_F(StateAreas, ZeroOpacityStateIsNotDrawn) {
  grid_.WatchAll();
  s_.ActiveOpacity = 0;
  s_.ActiveColor = 0xFFFFFF;
  DrawStateAreas(frame_.data(), c_, grid_, state_, s_);
  EXPECT_EQ(frame_, std::vector<uint8_t>(c_.FrameBytes(), 0x40));
}

TEST_F(StateAreas, InactiveOpacityTintsTheWholeFrame) {
  s_.InactiveOpacity = 100;
  DrawStateAreas(frame_.data(), c_, grid_, state_, s_);
  EXPECT_EQ(frame_, std::vector<uint8_t>(c_.FrameBytes(), 0x80));
}

}  // namespace
}  // namespace qlv
