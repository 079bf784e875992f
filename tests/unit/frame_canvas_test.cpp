#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <vector>

#include "pixel/frame_canvas.h"
#include "pixel/sample_conversion.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

using kernels::KernelLevel;

TEST(FrameCanvasGeometry, DerivesLayoutFromFormat) {
  FrameCanvas c;
  c.SetGeometry(720, 576, PixelFormatYUV422);
  EXPECT_TRUE(c.IsKnownFormat());
  EXPECT_EQ(c.FrameBytes(), 720u * 576u * 2u);
  EXPECT_EQ(c.rowStride(), 1440);
  c.SetGeometry(352, 288, PixelFormatRGB24);
  EXPECT_TRUE(c.IsKnownFormat());
  EXPECT_EQ(c.FrameBytes(), 352u * 288u * 3u);
  EXPECT_EQ(c.rowStride(), -1056);
}

TEST(FrameCanvasGeometry, RejectsUnknownFormatsAndAbsurdSizes) {
  struct Case { int32_t w, h, f; bool known; };
  const Case cases[] = {
      {720, 576, 2, false},         {720, 576, -1, false},       {0, 576, 0, false},
      {720, 0, 1, false},           {-720, 576, 0, false},       {720, INT32_MIN, 1, false},
      {65536, 32768, 0, false},     {65535, 32768, 0, true},     {70000, 70000, 1, false},
      {INT32_MAX, INT32_MAX, 1, false}, {1, 1, 0, true},         {1, 1, 1, true},
  };
  for (const Case& k : cases) {
    FrameCanvas c;
    c.SetGeometry(k.w, k.h, k.f);
    EXPECT_EQ(c.IsKnownFormat(), k.known) << k.w << "x" << k.h << " format " << k.f;
    EXPECT_EQ(c.width(), k.w);
    EXPECT_EQ(c.pixelFormat(), k.f);
    if (!k.known) {
      EXPECT_EQ(c.FrameBytes(), 0u);
    }
  }
}

TEST(FrameCanvasGeometry, UnknownFormatDrawsAndConvertsNothing) {
  FrameCanvas c;
  c.SetGeometry(8, 4, 7);
  std::vector<uint8_t> frame(8 * 4 * 3, 0x55);
  std::vector<uint32_t> sample(8 * 4, 0x12345678u);
  c.BlendFillRect(frame.data(), 0, 0, 8, 4, 0xFFFFFF, 100);
  c.BlendFrameRect(frame.data(), 0, 0, 8, 4, 2, 0xFFFFFF, 100);
  c.BlendHSpan(frame.data(), 0, 8, 1, true, 0xFFFFFF, 100);
  c.BlendVSpan(frame.data(), 1, 0, 4, true, 0xFFFFFF, 100);
  ConvertToSample(frame.data(), c, c.kernelSet(), sample.data());
  EXPECT_EQ(frame, std::vector<uint8_t>(8 * 4 * 3, 0x55));
  EXPECT_EQ(sample, std::vector<uint32_t>(8 * 4, 0x12345678u));
}

TEST(FrameCanvasGeometry, PixelAddressFollowsRowOrder) {
  std::vector<uint8_t> frame(10 * 4 * 3);
  FrameCanvas c;
  c.SetGeometry(10, 4, PixelFormatRGB24);
  EXPECT_EQ(c.PixelAddress(frame.data(), 5, 0), frame.data() + 15 + 3 * 10 * 3);  // bottom row first
  EXPECT_EQ(c.PixelAddress(frame.data(), 0, 3), frame.data());
  c.SetGeometry(10, 4, PixelFormatYUV422);
  EXPECT_EQ(c.PixelAddress(frame.data(), 3, 2), frame.data() + 6 + 2 * 10 * 2);  // Y1 of pair 1
}

TEST(FrameCanvasFill, OpaqueRectsByWholePairsClippedToTheFrame) {
  // YUV 4:2:2, 8 x 3: [1, 6) moves in to the pairs [2, 6); rows past the frame are cut.
  FrameCanvas yuv;
  yuv.SetGeometry(8, 3, PixelFormatYUV422);
  std::vector<uint8_t> f(yuv.FrameBytes(), 0);
  yuv.FillOpaqueRect(f.data(), 1, 2, 6, 9, 0x44332211u);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t b = 0; b < 16; ++b) {
      const bool inside = y == 2 && b >= 4 && b < 12;
      EXPECT_EQ(f[y * 16 + b], inside ? 0x11 * (1 + b % 4) : 0) << "row " << y << " byte " << b;
    }
  yuv.FillOpaqueRect(f.data(), 3, 0, 4, 3, 0xFFFFFFFFu);  // inside one pair: nothing
  yuv.FillOpaqueRect(f.data(), -5, -5, 0, 9, 0xFFFFFFFFu);
  EXPECT_EQ(std::count(f.begin(), f.end(), 0xFF), 0);

  // RGB24 rows are stored bottom-up: picture row 0 is the last stored row.
  FrameCanvas rgb;
  rgb.SetGeometry(3, 2, PixelFormatRGB24);
  std::vector<uint8_t> g(rgb.FrameBytes(), 0);
  rgb.FillOpaqueRect(g.data(), 1, 0, 5, 1, 0x00CCBBAAu);
  EXPECT_EQ(g, std::vector<uint8_t>({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xAA, 0xBB, 0xCC}));
}

TEST(FrameCanvasColour, DefaultColoursInYuv) {
  struct Case { uint32_t colour; uint8_t y, u, v; };
  const Case cases[] = {{0x00FFFF, 225, 0, 148}, {0x808080, 128, 128, 128}, {0x00FF00, 149, 43, 21},
                        {0xFF0000, 29, 255, 107}, {0x0000FF, 76, 84, 255}};
  FrameCanvas c;
  c.SetGeometry(2, 2, PixelFormatYUV422);
  for (const Case& k : cases) {
    uint32_t p = c.ColorToPixel(k.colour);
    EXPECT_EQ(p, uint32_t(k.y) | uint32_t(k.u) << 8 | uint32_t(k.y) << 16 | uint32_t(k.v) << 24) << std::hex << k.colour;
  }
  c.SetGeometry(2, 2, PixelFormatRGB24);
  EXPECT_EQ(c.ColorToPixel(0x00112233), 0x00332211u);  // bytes B 11, G 22, R 33
}

TEST(FrameCanvasColour, BlendWeights) {
  const int32_t cases[][2] = {{0, 256}, {1, 253}, {30, 179}, {50, 128}, {99, 3}, {100, 0},
                              {-5, 256}, {150, 0}, {INT32_MIN, 256}, {INT32_MAX, 0}};
  for (const auto& k : cases) EXPECT_EQ(FrameCanvas::BlendWeight(k[0]), k[1]) << k[0];
}

class CanvasBlend : public ::testing::TestWithParam<KernelLevel> {
 protected:
  FrameCanvas Make(int32_t w, int32_t h, int32_t f) { return testutil::Canvas(w, h, f, GetParam()); }
};

TEST_P(CanvasBlend, HalfOpacityFloorsTowardTheColour) {
  FrameCanvas c = Make(1, 1, PixelFormatRGB24);
  uint8_t px[3] = {200, 200, 200};
  c.BlendFillRect(px, 0, 0, 1, 1, 0x000000, 50);
  EXPECT_EQ(px[0], 100);
  uint8_t dark[3] = {0, 0, 0};
  c.BlendFillRect(dark, 0, 0, 1, 1, 0xFFFFFF, 50);
  EXPECT_EQ(dark[0], 127);
  EXPECT_EQ(dark[2], 127);
}

TEST_P(CanvasBlend, FullOpacityWritesColourAndZeroChangesNothing) {
  for (int32_t f : {0, 1}) {
    FrameCanvas c = Make(6, 2, f);
    std::mt19937 rng(7);
    std::vector<uint8_t> frame = testutil::RandomFrame(rng, c);
    std::vector<uint8_t> before = frame;
    c.BlendFillRect(frame.data(), 0, 0, 6, 2, 0x0000FF, 0);
    EXPECT_EQ(frame, before);
    c.BlendFillRect(frame.data(), 0, 0, 6, 2, 0x0000FF, 100);
    uint32_t p = c.ColorToPixel(0x0000FF);
    int period = f == 0 ? 4 : 3;
    for (size_t i = 0; i < frame.size(); ++i) EXPECT_EQ(frame[i], uint8_t(p >> (8 * (i % period)))) << i;
  }
}

// Bytes of a one-row YUV frame 12 pixels wide touched by a fill of [l, r).
std::set<int> TouchedBytes(FrameCanvas& c, int32_t l, int32_t r, int32_t opacity) {
  std::vector<uint8_t> frame(24, 0x10);
  c.BlendFillRect(frame.data(), l, 0, r, 1, 0xFFFFFF, opacity);
  std::set<int> s;
  for (int i = 0; i < 24; ++i)
    if (frame[i] != 0x10) s.insert(i);
  return s;
}

TEST_P(CanvasBlend, YuvFillFollowsPairRules) {
  FrameCanvas c = Make(12, 1, PixelFormatYUV422);
  // White: Y 255, U 128, V 128, all different from 0x10.
  for (int32_t opacity : {100, 50}) {
    // 3..8: pixel 3 only its Y1 byte, pairs 4-5 and 6-7 whole, no lone pixel at the end.
    EXPECT_EQ(TouchedBytes(c, 3, 8, opacity), (std::set<int>{6, 8, 9, 10, 11, 12, 13, 14, 15})) << opacity;
    // 3..9: the same, then pixel 8 alone: Y0, U and V of its pair, not Y1.
    EXPECT_EQ(TouchedBytes(c, 3, 9, opacity), (std::set<int>{6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19})) << opacity;
    // Even start, even end.
    EXPECT_EQ(TouchedBytes(c, 0, 2, opacity), (std::set<int>{0, 1, 2, 3})) << opacity;
  }
}

TEST_P(CanvasBlend, YuvVerticalRunAtOddColumnKeepsChroma) {
  FrameCanvas c = Make(8, 4, PixelFormatYUV422);
  std::vector<uint8_t> frame(64, 0x10);
  c.BlendVSpan(frame.data(), 3, 0, 4, false, 0x0000FF, 100);
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 16; ++i) EXPECT_EQ(frame[16 * y + i], i == 6 ? 76 : 0x10) << y << "," << i;
  std::fill(frame.begin(), frame.end(), 0x10);
  c.BlendVSpan(frame.data(), 2, 3, 0, false, 0x0000FF, 100);  // y = 1..3, even x: Y0, U, V
  for (int y = 0; y < 4; ++y)
    for (int i = 0; i < 16; ++i) {
      int expect = y == 0 ? 0x10 : (i == 4 ? 76 : i == 5 ? 84 : i == 7 ? 255 : 0x10);
      EXPECT_EQ(frame[16 * y + i], expect) << y << "," << i;
    }
}

// Pixels of an RGB frame blended once (127), twice (191) or more at half opacity white.
std::vector<int> BlendCounts(const std::vector<uint8_t>& frame, const FrameCanvas& c) {
  std::vector<int> counts(static_cast<size_t>(c.width()) * c.height());
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) {
      uint8_t v = *c.PixelAddress(frame.data(), x, y);
      counts[y * c.width() + x] = v == 0 ? 0 : v == 127 ? 1 : v == 191 ? 2 : 9;
    }
  return counts;
}

TEST_P(CanvasBlend, FrameRectRingsBlendEachPixelOnce) {
  FrameCanvas c = Make(30, 30, PixelFormatRGB24);
  struct Case { int32_t width; int32_t lo, hi; int pixels; };
  const Case cases[] = {{1, 10, 19, 36}, {-1, 9, 20, 44}};
  for (const Case& k : cases) {
    std::vector<uint8_t> frame(30 * 30 * 3, 0);
    c.BlendFrameRect(frame.data(), 10, 10, 20, 20, k.width, 0xFFFFFF, 50);
    std::vector<int> counts = BlendCounts(frame, c);
    int total = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x) {
        bool onRing = (x == k.lo || x == k.hi || y == k.lo || y == k.hi) && x >= k.lo && x <= k.hi && y >= k.lo &&
                      y <= k.hi;
        EXPECT_EQ(counts[y * 30 + x], onRing ? 1 : 0) << x << "," << y;
        total += counts[y * 30 + x];
      }
    EXPECT_EQ(total, k.pixels);
  }
}

TEST_P(CanvasBlend, FrameRectLineWidths) {
  FrameCanvas c = Make(30, 30, PixelFormatRGB24);
  std::vector<uint8_t> frame(30 * 30 * 3, 0);
  c.BlendFrameRect(frame.data(), 10, 10, 20, 20, 0, 0xFFFFFF, 50);
  c.BlendFrameRect(frame.data(), 10, 10, 20, 20, INT32_MIN, 0xFFFFFF, 50);
  EXPECT_EQ(frame, std::vector<uint8_t>(30 * 30 * 3, 0));
  c.BlendFrameRect(frame.data(), 10, 10, 20, 20, 2, 0xFFFFFF, 50);
  int total = 0;
  for (int v : BlendCounts(frame, c)) {
    EXPECT_LE(v, 1);
    total += v;
  }
  EXPECT_EQ(total, 36 + 28);
  // A width far beyond the rectangle fills it once and stops; huge coordinates are safe.
  std::fill(frame.begin(), frame.end(), 0);
  c.BlendFrameRect(frame.data(), 10, 10, 20, 20, INT32_MAX, 0xFFFFFF, 50);
  total = 0;
  for (int v : BlendCounts(frame, c)) total += v;
  EXPECT_EQ(total, 100);
  std::fill(frame.begin(), frame.end(), 0);
  c.BlendFrameRect(frame.data(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, -INT32_MAX, 0xFFFFFF, 50);
  c.BlendFrameRect(frame.data(), -1000000000, -1000000000, 1000000000, 1000000000, INT32_MAX, 0xFFFFFF, 50);
  for (int v : BlendCounts(frame, c)) EXPECT_EQ(v, 1);
}

TEST_P(CanvasBlend, SpansOrderTheirEnds) {
  FrameCanvas c = Make(10, 3, PixelFormatRGB24);
  struct Case { int32_t a, b; bool inclusive; int lo, hi; };
  const Case cases[] = {{2, 6, false, 2, 5}, {2, 6, true, 2, 6}, {6, 2, false, 3, 6}, {6, 2, true, 2, 6},
                        {4, 4, false, 1, 0}, {4, 4, true, 4, 4}, {-5, 3, false, 0, 2}, {12, 7, false, 8, 9},
                        {INT32_MIN, INT32_MAX, false, 0, 9}, {INT32_MAX, INT32_MIN, false, 0, 9}};
  for (const Case& k : cases) {
    std::vector<uint8_t> frame(10 * 3 * 3, 0);
    c.BlendHSpan(frame.data(), k.a, k.b, 1, k.inclusive, 0xFFFFFF, 50);
    std::vector<uint8_t> vframe(10 * 3 * 3, 0);
    FrameCanvas v = Make(3, 10, PixelFormatRGB24);
    v.BlendVSpan(vframe.data(), 1, k.a, k.b, k.inclusive, 0xFFFFFF, 50);
    for (int x = 0; x < 10; ++x) {
      bool in = x >= k.lo && x <= k.hi;
      EXPECT_EQ(*c.PixelAddress(frame.data(), x, 1), in ? 127 : 0) << k.a << ".." << k.b << " x=" << x;
      EXPECT_EQ(*v.PixelAddress(vframe.data(), 1, x), in ? 127 : 0) << k.a << ".." << k.b << " y=" << x;
    }
  }
  std::vector<uint8_t> frame(10 * 3 * 3, 0);
  c.BlendHSpan(frame.data(), 0, 9, -1, true, 0xFFFFFF, 50);
  c.BlendHSpan(frame.data(), 0, 9, 3, true, 0xFFFFFF, 50);
  c.BlendVSpan(frame.data(), 10, 0, 2, true, 0xFFFFFF, 50);
  c.BlendVSpan(frame.data(), -1, 0, 2, true, 0xFFFFFF, 50);
  EXPECT_EQ(frame, std::vector<uint8_t>(10 * 3 * 3, 0));
}

// An odd-width YUV frame: the last pixel of a row has no V byte within the row. Nothing
// beyond the frame is touched, and that pixel gets only its luma.
TEST_P(CanvasBlend, OddYuvWidthStaysInsideTheFrame) {
  const int32_t w = 7, h = 3;
  FrameCanvas c = Make(w, h, PixelFormatYUV422);
  std::vector<uint8_t> buffer(2 * w * h + 16, 0x10);
  uint8_t* frame = buffer.data();
  c.BlendFillRect(frame, 0, 0, w + 5, h + 5, 0xFFFFFF, 100);
  c.BlendFrameRect(frame, -3, -3, w + 3, h + 3, -2, 0xFFFFFF, 30);
  c.BlendVSpan(frame, w - 1, 0, h, false, 0xFFFFFF, 100);
  for (size_t i = 2 * w * h; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0x10) << i;
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(frame[2 * w * y + 12], 255);        // Y of pixel 6
    EXPECT_EQ(frame[2 * w * y + 13], 0x10);       // its U stays: no V to go with it
  }
}

// Only the levels this build and CPU run: the i686 build has no AVX2 variants.
INSTANTIATE_TEST_SUITE_P(Levels, CanvasBlend, ::testing::ValuesIn(testutil::AvailableLevels()),
                         [](const ::testing::TestParamInfo<KernelLevel>& i) {
                           return std::string(testutil::LevelName(i.param));
                         });

}  // namespace
}  // namespace qlv
