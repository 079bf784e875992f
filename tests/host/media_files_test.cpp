#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "media_files.h"

namespace {

using hostsim::FrameLayout;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
std::string Tag(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

FrameLayout Layout(int32_t w, int32_t h, int32_t format) {
  FrameLayout l;
  l.width = w;
  l.height = h;
  l.format = format;
  return l;
}

TEST(MediaFiles, LayoutValidity) {
  EXPECT_TRUE(Layout(720, 576, 0).Valid());
  EXPECT_TRUE(Layout(3, 1, 1).Valid());
  EXPECT_FALSE(Layout(3, 2, 0).Valid());  // YUY2 rows hold whole pairs
  EXPECT_FALSE(Layout(0, 2, 1).Valid());
  EXPECT_FALSE(Layout(4, -2, 0).Valid());
  EXPECT_FALSE(Layout(4, 2, 2).Valid());
  EXPECT_FALSE(Layout(16386, 2, 0).Valid());
}

TEST(MediaFiles, BmpHeaderAndPaddedRows) {
  // 3 x 2 RGB: rows of 9 bytes padded to 12; the host's bottom-up rows are the DIB rows.
  std::vector<uint8_t> frame(18);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(10 + i);
  ASSERT_TRUE(hostsim::WriteBmp("media_test_rgb.bmp", Layout(3, 2, 1), frame.data()));
  std::vector<uint8_t> b = ReadFile("media_test_rgb.bmp");
  ASSERT_EQ(b.size(), 54u + 24u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), 78u);
  EXPECT_EQ(U32(b, 10), 54u);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(U32(b, 18), 3u);
  EXPECT_EQ(U32(b, 22), 2u);
  EXPECT_EQ(b[28], 24);
  EXPECT_EQ(U32(b, 34), 24u);
  const std::vector<uint8_t> body(b.begin() + 54, b.end());
  const std::vector<uint8_t> expected = {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0,
                                         19, 20, 21, 22, 23, 24, 25, 26, 27, 0, 0, 0};
  EXPECT_EQ(body, expected);
  std::remove("media_test_rgb.bmp");
}

TEST(MediaFiles, Yuy2SnapshotIsVideoRangeBt601AndBottomUp) {
  // Top row: black pair, white pair; bottom row: red pair (81, 90, 240), grey.
  const uint8_t frame[16] = {16, 128, 16, 128, 235, 128, 235, 128, 81, 90, 81, 240, 126, 128, 126, 128};
  std::vector<uint8_t> dib;
  hostsim::FrameToDib24(Layout(4, 2, 0), frame, &dib);
  ASSERT_EQ(dib.size(), 24u);
  // DIB row 0 is the bottom row of the picture.
  const std::vector<uint8_t> expected = {0, 0, 255, 0, 0, 255, 128, 128, 128, 128, 128, 128,
                                         0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(dib, expected);
}

TEST(MediaFiles, FlipRowsReversesRowOrder) {
  const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
  uint8_t dst[6] = {};
  hostsim::FlipRows(src, dst, 2, 3);
  const uint8_t expected[6] = {5, 6, 3, 4, 1, 2};
  EXPECT_EQ(0, memcmp(dst, expected, 6));
}

struct AviCase {
  int32_t width, format;
  uint32_t chunkBytes;
  const char* handler;
};

class AviWriterTest : public ::testing::TestWithParam<AviCase> {};

TEST_P(AviWriterTest, HeadersIndexAndFramesAreConsistent) {
  const AviCase c = GetParam();
  const FrameLayout l = Layout(c.width, 2, c.format);
  std::vector<uint8_t> f1(l.FrameBytes()), f2(l.FrameBytes());
  for (size_t i = 0; i < f1.size(); ++i) {
    f1[i] = static_cast<uint8_t>(i + 1);
    f2[i] = static_cast<uint8_t>(200 - i);
  }
  hostsim::AviWriter w;
  ASSERT_TRUE(w.Open("media_test.avi", l, 25, 1));
  ASSERT_TRUE(w.AddFrame(f1.data()));
  ASSERT_TRUE(w.AddFrame(f2.data()));
  ASSERT_TRUE(w.Close());
  std::vector<uint8_t> b = ReadFile("media_test.avi");
  const size_t chunk = 8 + c.chunkBytes;
  ASSERT_EQ(b.size(), hostsim::kAviHeaderBytes + 2 * chunk + 8 + 32);
  EXPECT_EQ(Tag(b, 0), "RIFF");
  EXPECT_EQ(U32(b, 4), b.size() - 8);
  EXPECT_EQ(Tag(b, 8), "AVI ");
  EXPECT_EQ(Tag(b, 24), "avih");
  EXPECT_EQ(U32(b, 32), 40000u);  // microseconds per frame at 25 fps
  EXPECT_EQ(U32(b, 48), 2u);      // total frames
  EXPECT_EQ(U32(b, 64), static_cast<uint32_t>(c.width));
  EXPECT_EQ(Tag(b, 108), "vids");
  EXPECT_EQ(U32(b, 128), 1u);   // scale
  EXPECT_EQ(U32(b, 132), 25u);  // rate
  EXPECT_EQ(U32(b, 140), 2u);   // length
  EXPECT_EQ(Tag(b, 164), "strf");
  EXPECT_EQ(b[186], c.format == 0 ? 16 : 24);
  EXPECT_EQ(U32(b, 188), c.format == 0 ? U32(std::vector<uint8_t>{'Y', 'U', 'Y', '2'}, 0) : 0u);
  EXPECT_EQ(Tag(b, 212), "LIST");
  EXPECT_EQ(U32(b, 216), 4 + 2 * chunk);
  EXPECT_EQ(Tag(b, 220), "movi");
  EXPECT_EQ(Tag(b, 224), "00db");
  EXPECT_EQ(U32(b, 228), c.chunkBytes);
  // Frame bytes, with the 24-bit rows padded to 4 bytes.
  const size_t row = l.RowBytes(), stride = c.chunkBytes / 2;
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(0, memcmp(&b[232 + r * stride], &f1[r * row], row));
    EXPECT_EQ(0, memcmp(&b[232 + chunk + r * stride], &f2[r * row], row));
  }
  const size_t idx = 224 + 2 * chunk;
  EXPECT_EQ(Tag(b, idx), "idx1");
  EXPECT_EQ(U32(b, idx + 4), 32u);
  EXPECT_EQ(Tag(b, idx + 8), "00db");
  EXPECT_EQ(U32(b, idx + 12), 0x10u);
  EXPECT_EQ(U32(b, idx + 16), 4u);
  EXPECT_EQ(U32(b, idx + 20), c.chunkBytes);
  EXPECT_EQ(U32(b, idx + 32), 4u + chunk);
  std::remove("media_test.avi");
}

INSTANTIATE_TEST_SUITE_P(Layouts, AviWriterTest,
                         ::testing::Values(AviCase{4, 0, 16, "YUY2"}, AviCase{3, 1, 24, ""}, AviCase{4, 1, 24, ""}));

TEST(MediaFiles, AviRefusesBadLayoutAndKeepsSegmentsBelowLimit) {
  hostsim::AviWriter w;
  EXPECT_FALSE(w.Open("media_test_bad.avi", Layout(3, 2, 0), 25, 1));
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(w.AddFrame(nullptr));
  ASSERT_TRUE(w.Open("media_test_big.avi", Layout(1920, 1080, 0), 25, 1));
  // 1920 x 1080 YUY2 frames: 4147200 + 8 bytes of chunk and 16 of index each.
  EXPECT_EQ(w.BytesWithNextFrame(), hostsim::kAviHeaderBytes + 4147200u + 8 + 16 + 8);
  EXPECT_TRUE(w.Close());
  std::remove("media_test_big.avi");
}

}  // namespace
