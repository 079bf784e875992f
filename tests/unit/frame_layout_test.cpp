#include <gtest/gtest.h>

#include <cstdint>

#include "pixel/frame_layout.h"

namespace qlv {
namespace {

TEST(FrameLayout, SplitPairsCoversEveryColumnOnceByThePairRule) {
  struct Case {
    int64_t first, end;
    bool lead;
    int64_t at, pairs;
    bool tail;
  };
  const Case cases[] = {
      {0, 1, false, 0, 0, true},    // width 1: the lone even pixel
      {1, 2, true, 2, 0, false},    // one odd pixel
      {0, 2, false, 0, 1, false},   // one pair
      {1, 3, true, 2, 0, true},     // odd start, odd end: two lone pixels, no pair
      {1, 6, true, 2, 2, false},    // odd start, even end
      {2, 7, false, 2, 2, true},    // even start, odd end
      {3, 10, true, 4, 3, false},
      {5, 5, false, 6, 0, false},   // empty, odd start
      {4, 4, false, 4, 0, false},   // empty, even start
      {6, 2, false, 6, 0, false},   // reversed: empty
  };
  for (const Case& k : cases) {
    const PairSpan s = SplitPairs(k.first, k.end);
    EXPECT_EQ(s.lead, k.lead) << k.first << ".." << k.end;
    EXPECT_EQ(s.at, k.at) << k.first << ".." << k.end;
    EXPECT_EQ(s.pairs, k.pairs) << k.first << ".." << k.end;
    EXPECT_EQ(s.tail, k.tail) << k.first << ".." << k.end;
    EXPECT_EQ(s.at % 2, 0);
    if (k.first < k.end) {  // the parts cover [first, end) exactly
      EXPECT_EQ(s.lead ? s.leadPixel() : s.at, k.first);
      EXPECT_EQ(s.tail ? s.tailPixel() + 1 : s.tailPixel(), k.end);
    }
  }
}

TEST(FrameLayout, LonePixelOwnsItsBytesByFormat) {
  struct Case {
    int32_t format;
    int64_t x, width;
    int32_t count;
    int64_t offset[3];
    uint8_t colourByte[3];
  };
  const Case cases[] = {
      {PixelFormatRGB24, 0, 1, 3, {0, 1, 2}, {0, 1, 2}},
      {PixelFormatRGB24, 5, 9, 3, {15, 16, 17}, {0, 1, 2}},
      {PixelFormatYUV422, 3, 8, 1, {6}, {2}},              // odd: its Y1
      {PixelFormatYUV422, 7, 8, 1, {14}, {2}},              // odd last pixel
      {PixelFormatYUV422, 4, 8, 3, {8, 9, 11}, {0, 1, 3}},  // even: Y0, U, V
      {PixelFormatYUV422, 6, 7, 1, {12}, {0}},              // last of an odd-width row: Y0 only
      {PixelFormatYUV422, 0, 1, 1, {0}, {0}},               // width 1
      {PixelFormatYUV422, 0, 2, 3, {0, 1, 3}, {0, 1, 3}},
  };
  for (const Case& k : cases) {
    const LonePixel p = LonePixelBytes(k.format, k.x, k.width);
    ASSERT_EQ(p.count, k.count) << "format " << k.format << " x " << k.x << " width " << k.width;
    for (int32_t i = 0; i < p.count; ++i) {
      EXPECT_EQ(p.offset[i], k.offset[i]) << "format " << k.format << " x " << k.x << " byte " << i;
      EXPECT_EQ(p.colourByte[i], k.colourByte[i]) << "format " << k.format << " x " << k.x << " byte " << i;
    }
  }
}

TEST(FrameLayout, RowsRunTopDownInYuy2AndBottomUpInRgb24) {
  uint8_t image[4 * 6] = {};
  EXPECT_EQ(MemoryRow(PixelFormatYUV422, 0, 4), 0);
  EXPECT_EQ(MemoryRow(PixelFormatRGB24, 0, 4), 3);
  EXPECT_EQ(PictureRow(image, PixelFormatYUV422, 1, 4, 6), image + 6);
  EXPECT_EQ(PictureRow(image, PixelFormatRGB24, 1, 4, 6), image + 12);
  EXPECT_EQ(PictureRow(image, PixelFormatRGB24, 3, 4, 6), image);
  uint32_t samples[3 * 5] = {};  // the pitch counts elements
  EXPECT_EQ(PictureRow(samples, PixelFormatRGB24, 0, 3, 5), samples + 10);
}

}  // namespace
}  // namespace qlv
