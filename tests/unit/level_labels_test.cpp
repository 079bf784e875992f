// The tuning window's digits and crosses: their exact pixels, and the same bytes in every build.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "overlay/level_labels.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

uint64_t Fnv1a(uint64_t h, const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

// Each picture row of an RGB frame as '#' where the pixel is white, '.' elsewhere.
std::vector<std::string> Picture(const FrameCanvas& c, const std::vector<uint8_t>& frame) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < c.height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < c.width(); ++x) row += c.PixelAddress(frame.data(), x, y)[0] == 0xFF ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(LevelLabels, DigitsMutedAndCrossInTheirCells) {
  FrameCanvas c;
  c.SetGeometry(48, 12, PixelFormatRGB24);
  std::vector<uint8_t> frame(c.FrameBytes(), 0);
  CellLabel labels[3];
  labels[0].kind = CellLabel::Number;
  labels[0].value = 47;
  labels[1].kind = CellLabel::Muted;
  labels[1].loud = true;
  labels[2].cross = true;
  // Cells of 16 x 12: font pixels of 2, labels centred; the loud colour here is the quiet one's too.
  DrawCellLabels(frame.data(), c, 3, 1, labels, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
  const std::vector<std::string> expected = {
      "................................##............##",
      "##..##..######....##......##....##..........####",
      "##..##..######....##......##....####......####..",
      "##..##......##....####..####......####..####....",
      "##..##......##....####..####........##..##......",
      "######......##....##..##..##..........##........",
      "######......##....##..##..##........######......",
      "....##....##......##......##......####..####....",
      "....##....##......##......##....####......####..",
      "....##....##......##......##....##..........##..",
      "....##....##......##......##....##............##",
      "................................##............##",
  };
  EXPECT_EQ(Picture(c, frame), expected);
}

TEST(CrossBuild, LevelLabelsSameBytesOnEveryBuild) {
  const uint64_t expected[2] = {0xd14e313d690ac9cbull, 0x88c0a8456e1c2e17ull};
  for (int32_t format : {0, 1}) {
    std::mt19937 rng(23);
    uint64_t h = 0xCBF29CE484222325ull;
    for (const auto& size : {std::pair<int32_t, int32_t>{722, 577}, {720, 576}, {353, 289}}) {
      FrameCanvas c;
      c.SetGeometry(size.first, size.second, format);
      std::vector<uint8_t> frame = testutil::RandomFrame(rng, c);
      std::vector<CellLabel> labels(24 * 18);
      for (CellLabel& l : labels) {
        l.kind = static_cast<CellLabel::Kind>(rng() % 3);
        l.value = static_cast<uint8_t>(rng() % 100);
        l.loud = rng() % 2;
        l.cross = rng() % 7 == 0;
      }
      DrawCellLabels(frame.data(), c, 24, 18, labels.data(), 0x0000FF, 0x00FFFF, 0x0000FF);
      h = Fnv1a(h, frame.data(), frame.size());
    }
    EXPECT_EQ(h, expected[format]) << "format " << format << std::hex << " hash 0x" << h;
  }
}

}  // namespace
}  // namespace qlv
