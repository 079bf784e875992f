// The tuning window's digits and crosses: their exact pixels, and the same bytes in every build.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "overlay/level_labels.h"
#include "pixel/mul_div.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

using testutil::Fnv1a;

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

// The font as pictures: the digits, then the "M".
const char* const kShapes[11][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"}, {"###", "..#", "###", "#..", "###"},
    {"###", "..#", "###", "..#", "###"}, {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", ".#.", ".#."}, {"###", "#.#", "###", "#.#", "###"},
    {"###", "#.#", "###", "..#", "###"}, {"#...#", "##.##", "#.#.#", "#...#", "#...#"},
};

std::vector<std::string> Shape(const CellLabel& l) {
  std::vector<std::string> rows(5);
  const int32_t v = std::min<int32_t>(l.value, 99);
  for (int32_t r = 0; r < 5; ++r)
    rows[r] = l.kind == CellLabel::Muted ? kShapes[10][r]
              : v >= 10                  ? std::string(kShapes[v / 10][r]) + "." + kShapes[v % 10][r]
                                         : kShapes[v][r];
  return rows;
}

// The labels pixel by pixel: each font pixel a square of scale x scale picture pixels, the
// label centred in its cell with its left edge on a pair, cut to the cell's whole pairs.
std::vector<uint8_t> ModelLabels(std::vector<uint8_t> frame, const FrameCanvas& c, int32_t columns, int32_t rows,
                                 const std::vector<CellLabel>& labels, uint32_t loud, uint32_t quiet) {
  const int32_t W = c.width(), H = c.height(), scale = LabelScale(W / columns, H / rows);
  const bool yuv = c.pixelFormat() == PixelFormatYUV422;
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = 0; j < columns; ++j) {
      const CellLabel& l = labels[static_cast<size_t>(i) * columns + j];
      if (l.kind == CellLabel::None) continue;
      const std::vector<std::string> shape = Shape(l);
      const int32_t width = static_cast<int32_t>(shape[0].size());
      const int32_t x0 = MulDiv(j, W, columns), x1 = MulDiv(j + 1, W, columns);
      const int32_t y0 = MulDiv(i, H, rows), y1 = MulDiv(i + 1, H, rows);
      const int32_t x = (x0 + (x1 - x0 - width * scale) / 2) & ~1, top = y0 + (y1 - y0 - 5 * scale) / 2;
      const uint32_t pixel = c.ColorToPixel(l.loud ? loud : quiet);
      for (int32_t py = std::max(y0, top); py < std::min(y1, top + 5 * scale); ++py)
        for (int32_t px = std::max(yuv ? x0 + (x0 & 1) : x0, x); px < std::min(yuv ? x1 & ~1 : x1, x + width * scale);
             px += yuv ? 2 : 1)
          if (shape[(py - top) / scale][(px - x) / scale] == '#')
            for (int32_t b = 0; b < (yuv ? 4 : 3); ++b)
              c.PixelAddress(frame.data(), px, py)[b] = static_cast<uint8_t>(pixel >> (8 * b));
    }
  return frame;
}

TEST(LevelLabels, EverySizeAndGridDrawsThePixelModel) {
  struct Case {
    int32_t width, height, columns, rows;
  };
  // Font pixels of 2, 4, 8 and 10 picture pixels, one of 54 (the widest are drawn pixel by
  // pixel), odd sizes and cells too small for their labels.
  const Case cases[] = {{720, 576, 24, 18}, {960, 720, 24, 18}, {1920, 1080, 24, 18}, {720, 576, 7, 5},
                        {1000, 800, 2, 2},  {361, 289, 24, 18}, {97, 43, 24, 18},    {5, 31, 2, 3}};
  std::mt19937 rng(41);
  for (const Case& k : cases)
    for (int32_t format : {0, 1}) {
      FrameCanvas c;
      c.SetGeometry(k.width, k.height, format);
      const std::vector<uint8_t> before = testutil::RandomFrame(rng, c);
      std::vector<CellLabel> labels(static_cast<size_t>(k.columns) * k.rows);
      for (CellLabel& l : labels) {
        l.kind = static_cast<CellLabel::Kind>(rng() % 3);
        l.value = static_cast<uint8_t>(rng() % 120);  // above 99: shown as 99
        l.loud = rng() % 2;
      }
      std::vector<uint8_t> frame = before;
      DrawCellLabels(frame.data(), c, k.columns, k.rows, labels.data(), 0x2040E0, 0x30C0A0, 0xFF);
      const std::vector<uint8_t> expected = ModelLabels(before, c, k.columns, k.rows, labels, 0x2040E0, 0x30C0A0);
      ASSERT_NE(expected, before) << k.width << "x" << k.height;
      size_t first = 0;
      while (first < frame.size() && frame[first] == expected[first]) ++first;
      EXPECT_EQ(first, frame.size()) << k.width << "x" << k.height << " grid " << k.columns << "x" << k.rows
                                     << " format " << format << ": first wrong byte";
    }
}

}  // namespace
}  // namespace qlv
