// The words of a lost view on the video: where they go, in which colour, and the same bytes
// from every build.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pixel_test_util.h"
#include "plugin/plugin.h"

namespace qlv {
namespace {

using testutil::Fnv1a;

TEST(ViewLostWords, CentredNearTheTopInTheAlarmColour) {
  FrameCanvas c;
  c.SetGeometry(720, 576, PixelFormatRGB24);
  std::vector<uint8_t> frame(c.FrameBytes(), 0);
  DrawViewLost(frame.data(), c, u"VIEW LOST", 0x0000FF);
  int32_t left = 720, right = -1, top = 576, bottom = -1;
  for (int32_t y = 0; y < 576; ++y)
    for (int32_t x = 0; x < 720; ++x) {
      const uint8_t* p = c.PixelAddress(frame.data(), x, y);
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      ASSERT_EQ(p[2], 255) << "red, the COLORREF 0x0000FF";
      ASSERT_EQ(p[0] + p[1], 0);
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  // Font pixels of 8 x 8 at 576 lines, 5 rows high, from an eighth of the height down.
  EXPECT_EQ(top, 576 / 8);
  EXPECT_EQ(bottom - top + 1, 5 * 8);
  EXPECT_LE(std::abs((left + right + 1) - 720), 8) << left << ".." << right;
  // Too wide at twice the scale on a small frame: the plain scale.
  c.SetGeometry(96, 72, PixelFormatYUV422);
  std::vector<uint8_t> small(c.FrameBytes(), 0);
  DrawViewLost(small.data(), c, u"VIEW LOST", 0x0000FF);
  EXPECT_NE(small, std::vector<uint8_t>(c.FrameBytes(), 0));
}

TEST(CrossBuild, ViewLostWordsSameBytesOnEveryBuild) {
  const uint64_t expected[2] = {0xd397f16388455273ull, 0xb0e10cf6eafa544cull};
  for (int32_t format : {0, 1}) {
    std::mt19937 rng(31);
    uint64_t h = 0xCBF29CE484222325ull;
    for (const auto& size : {std::pair<int32_t, int32_t>{722, 577}, {720, 576}, {97, 71}}) {
      FrameCanvas c;
      c.SetGeometry(size.first, size.second, format);
      std::vector<uint8_t> frame = testutil::RandomFrame(rng, c);
      DrawViewLost(frame.data(), c, u"VIEW LOST", 0x3080F0);
      DrawViewLost(frame.data(), c, u"\u041E\u0411\u0417\u041E\u0420 \u041F\u041E\u0422\u0415\u0420\u042F\u041D", 0x0000FF);
      h = Fnv1a(h, frame.data(), frame.size());
    }
    EXPECT_EQ(h, expected[format]) << "format " << format << std::hex << " hash 0x" << h;
  }
}

}  // namespace
}  // namespace qlv
