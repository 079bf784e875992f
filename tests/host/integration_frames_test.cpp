// Frames through the real DLL: the state areas and grid byte for byte against the
// reference kernels run in this process, and the caption's placement.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "host_session.h"
#include "overlay/state_overlay.h"
#include "pixel/frame_canvas.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"
#include "plugin_files.h"
#include "settings/settings.h"

namespace {

using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::WriteBytes;

std::string MaskPath() { return PluginsFolder() + "integration_frames.msk"; }

struct Cleanup : hosttest::SettingsAndMaskRemoved {
  Cleanup() : SettingsAndMaskRemoved(MaskPath()) {}
};

uint32_t Noise(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 24;
}

// A clip: a textured still background with a little noise in every frame, and a box
// that enters at frame 34, moves right and stops for a while, so cells pass through
// every state.
std::vector<std::vector<uint8_t>> MakeClip(const qlv::FrameCanvas& canvas, int frames) {
  std::vector<uint8_t> background(canvas.FrameBytes());
  uint32_t seed = 12345;
  for (uint8_t& b : background) b = static_cast<uint8_t>(40 + (Noise(&seed) % 120));
  std::vector<std::vector<uint8_t>> clip;
  for (int i = 0; i < frames; ++i) {
    std::vector<uint8_t> f = background;
    for (uint8_t& b : f) b = static_cast<uint8_t>(b + (Noise(&seed) & 3));
    if (i >= 34) {
      const int32_t step = i < 50 ? i - 34 : 16;
      const int32_t x0 = 5 + 3 * step, y0 = 20 + step;
      for (int32_t y = y0; y < y0 + 18 && y < canvas.height(); ++y)
        for (int32_t x = x0; x < x0 + 20 && x < canvas.width(); ++x) {
          uint8_t* p = canvas.PixelAddress(f.data(), x, y);
          for (int32_t k = 0; k < canvas.bytesPerPixel(); ++k) p[k] = static_cast<uint8_t>(230 - 20 * k);
        }
    }
    clip.push_back(std::move(f));
  }
  return clip;
}

const char kFramesSettings[] =
    "ChannelIdx=101\r\nShowTime=0\r\nFrameCounter=2\r\nSensitive=12\r\nControlR=1\r\n"
    "InactiveOpacity=60\r\nActiveOpacity=45\r\nGridOpacity=20\r\nGridColor=4227327\r\n";

// The frame driver's drawing, replayed with the reference kernels: 30 frames untouched
// after entering the controlled channel, then detection, state areas and grid.
void CompareWithReference(int32_t width, int32_t height, int32_t pixelFormat) {
  Cleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(MaskPath()));
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() + "\r\n" + kFramesSettings));

  qlv::FrameCanvas canvas;
  canvas.SetGeometry(width, height, pixelFormat);
  ASSERT_TRUE(canvas.IsKnownFormat());
  canvas.SetKernelLevel(qlv::kernels::KernelLevel::Reference);
  const int kFrames = 64;
  const std::vector<std::vector<uint8_t>> clip = MakeClip(canvas, kFrames);

  qlv::SettingsRecord s;
  s.ChannelIdx = 101;
  s.MaskFileName = MaskPath();
  s.ShowTime = 0;
  s.FrameCounter = 2;
  s.Sensitive = 12;
  s.ControlR = 1;
  s.InactiveOpacity = 60;
  s.ActiveOpacity = 45;
  s.GridOpacity = 20;
  s.GridColor = 4227327;
  qlv::MaskGrid grid;
  ASSERT_TRUE(grid.LoadMaskFile(MaskPath()));
  ASSERT_EQ(grid.cellCount(), 432);
  grid.RestartCells();
  qlv::MotionDetector detector;
  detector.SetKernelLevel(qlv::kernels::KernelLevel::Reference);
  ASSERT_TRUE(detector.ResizeSamples(width, height));

  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  session.channels().SetChannels({{101, 0, "Camera"}});
  ASSERT_NE(session.Record(), nullptr);
  session.Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = width;
  format.height = height;
  format.pixelFormat = pixelFormat;
  ASSERT_EQ(session.Start(format), 1);

  int alarms = 0, differing = 0;
  for (int i = 0; i < kFrames; ++i) {
    std::vector<uint8_t> expected = clip[i];
    if (i >= 30) {
      alarms += detector.DetectMotion(expected.data(), canvas, grid, s);
      qlv::DrawStateAreas(expected.data(), canvas, grid, detector.state(), s);
      qlv::DrawGrid(expected.data(), canvas, grid, s);
    }
    std::vector<uint8_t> actual = clip[i];
    qlv::HostFrame frame = {};
    frame.pixels = actual.data();
    frame.channel = session.channels().Get(0);
    session.ProcessFrame(frame);
    if (i < 30) {
      EXPECT_EQ(actual, clip[i]) << "warm-up frame " << i << " was touched";
    }
    if (actual != expected) {
      size_t at = 0;
      while (actual[at] == expected[at]) ++at;
      if (++differing <= 3) {
        ADD_FAILURE() << "frame " << i << " differs first at byte " << at << ": " << int(actual[at]) << " vs "
                      << int(expected[at]);
      }
    }
  }
  session.Close();
  session.Shutdown();
  EXPECT_EQ(differing, 0);
  EXPECT_GT(alarms, 0) << "the clip is meant to reach the alarm state";
}

TEST(IntegrationFrames, StateAreasAndGridMatchTheReferenceYuy2) {
  ASSERT_NO_FATAL_FAILURE(CompareWithReference(100, 76, qlv::PixelFormatYUV422));
}

TEST(IntegrationFrames, StateAreasAndGridMatchTheReferenceRgb24) {
  ASSERT_NO_FATAL_FAILURE(CompareWithReference(102, 76, qlv::PixelFormatRGB24));
}

struct Box {
  int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool empty() const { return right < 0; }
};

// One 720 x 576 YUY2 frame through a fresh session on channel (0, 0) with ChannelIdx 0,
// which is processed at once; returns the picture box of the pixels that changed.
Box CaptionBox(const std::string& settings) {
  Cleanup cleanup;
  Box box;
  WriteBytes(IniPath(), "[PluginSettings]\r\nShowMask=0\r\nShowGrid=0\r\nShowTime=1\r\n" + settings);
  if (::testing::Test::HasFatalFailure()) return box;
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  std::string error;
  EXPECT_TRUE(session.Open(so, &error)) << error;
  if (!session.loaded()) return box;
  session.channels().SetChannels({{0, 0, "Zero"}});
  session.Record();
  session.Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  EXPECT_EQ(format.width, 720);
  EXPECT_EQ(format.height, 576);
  session.Start(format);
  qlv::FrameCanvas canvas;
  canvas.SetGeometry(720, 576, qlv::PixelFormatYUV422);
  std::vector<uint8_t> before(canvas.FrameBytes());
  for (size_t i = 0; i < before.size(); ++i) before[i] = (i & 1) ? 128 : static_cast<uint8_t>(60 + (i / 2) % 7);
  std::vector<uint8_t> after = before;
  qlv::HostFrame frame = {};
  frame.pixels = after.data();
  frame.channel = session.channels().Get(0);
  EXPECT_EQ(session.ProcessFrame(frame), 1);
  session.Close();
  session.Shutdown();
  for (int32_t y = 0; y < 576; ++y)
    for (int32_t x = 0; x < 720; ++x) {
      const uint8_t* a = canvas.PixelAddress(after.data(), x, y);
      const uint8_t* b = canvas.PixelAddress(before.data(), x, y);
      if (a[0] == b[0] && a[1] == b[1]) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  return box;
}

// Margins of 10/1000 of the frame: the caption's left edge at MulDiv(720, 10, 1000) and
// its bottom at most 990/1000 of the height (one row for rounding).
TEST(IntegrationFrames, CaptionSitsInsideItsPlacementRectangle) {
  const int32_t marginX = qlv::MulDiv(720, 10, 1000), marginY = qlv::MulDiv(576, 10, 1000);
  ASSERT_EQ(marginX, 7);
  const Box bottomLeft = CaptionBox("TextPos=3\r\n");
  ASSERT_FALSE(bottomLeft.empty()) << "the caption drew nothing";
  EXPECT_GE(bottomLeft.left, marginX);
  EXPECT_LE(bottomLeft.bottom, 576 - marginY + 1);
  EXPECT_GE(bottomLeft.top, 288) << "Left/Bottom lies in the lower half";
  EXPECT_LT(bottomLeft.right, 720 - marginX);

  const Box topLeft = CaptionBox("TextPos=0\r\n");
  ASSERT_FALSE(topLeft.empty());
  EXPECT_GE(topLeft.left, marginX);
  EXPECT_GE(topLeft.top, marginY);
  EXPECT_LT(topLeft.bottom, 288) << "Left/Top lies in the upper half";
  EXPECT_EQ(topLeft.left, bottomLeft.left) << "the same text starts in the same column";

  EXPECT_TRUE(CaptionBox("TextPos=3\r\nTextOpacity=0\r\n").empty()) << "opacity 0 changes nothing";
}

}  // namespace
