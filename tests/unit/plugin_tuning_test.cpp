// The detector tuning window's side of the frame driver: change levels drawn only into frames
// that are not recorded, calibration runs timed by the tick count and their verdict, and every
// way a run is cancelled.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "plugin/plugin.h"

namespace qlv {
namespace {

constexpr int32_t kW = 96;
constexpr int32_t kH = 72;

class CountingLink : public TuningLink {
 public:
  int posts = 0;
  void PostTuningUpdate() override { ++posts; }
};

class PluginTuning : public ::testing::Test {
 protected:
  void SetUp() override {
    loc_ = testing_support::FreshSettingsFolder("qlv_tuning_", &dir_);
    p_.topWindows[{"TMain", "Quelvar"}] = 42;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  // Init, Start, every cell watched on a 4 x 3 grid (cells 24 x 24), the warm-up fed.
  void Begin(int32_t recording = 0) {
    plugin_.Init(nullptr, 0, loc_);
    Restart(recording);
  }
  void Restart(int32_t recording) {
    ASSERT_EQ(plugin_.Start(StreamFormat{kW, kH, 0, PixelFormatYUV422, 0, recording}), 1);
    MaskGrid g;
    g.Resize(4, 3);
    g.WatchAll();
    ASSERT_TRUE(g.SaveMaskFile((dir_ / "m.msk").string()));
    ASSERT_TRUE(plugin_.LoadMask((dir_ / "m.msk").string()));
    plugin_.EditSettings([](SettingsRecord& s) { s.ShowGrid = s.ShowMask = s.ShowTime = 0; });
    for (int i = 0; i < kWarmUpFrames; ++i) Feed(0x40);
  }
  // One frame of grey `y` (luma; chroma neutral), 40 ms after the last; returns its bytes.
  std::vector<uint8_t> Feed(uint8_t y, uint32_t id0 = 0) {
    std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2);
    for (size_t i = 0; i < f.size(); ++i) f[i] = i % 2 ? 0x80 : y;
    p_.tick += 40;
    const ChannelRef ch{id0, 0, "Camera"};
    plugin_.ProcessFrame(f.data(), &ch);
    return f;
  }
  // Grey `y` everywhere but in cell 0 (24 x 24 at the top left), which is `box`.
  void FeedBox(uint8_t y, uint8_t box) {
    std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2);
    for (size_t i = 0; i < f.size(); ++i) {
      const size_t px = i / 2 % kW, row = i / 2 / kW;
      f[i] = i % 2 ? 0x80 : px < 24 && row < 24 ? box : y;
    }
    p_.tick += 40;
    const ChannelRef ch{0, 0, "Camera"};
    plugin_.ProcessFrame(f.data(), &ch);
  }
  // Frames for `ms` milliseconds: still, or flipping between two greys far apart.
  void Play(uint32_t ms, bool motion) {
    for (uint32_t t = 0; t < ms; t += 40) Feed(motion && (t / 40) % 2 ? 0xC0 : 0x40);
  }

  std::filesystem::path dir_;
  SettingsLocation loc_;
  testing_support::FakePlatform p_;
  Plugin plugin_{p_};
  CountingLink link_;
};

TEST_F(PluginTuning, LevelsOnlyWhileOpenAndNeverInARecordedStream) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  const std::vector<uint8_t> plain = Feed(0x40);
  plugin_.ShowChangeLevels(true);  // the window is closed: nothing
  EXPECT_EQ(Feed(0x40), plain);
  plugin_.OpenTuning(&link_);
  plugin_.ShowChangeLevels(true);
  const std::vector<uint8_t> shown = Feed(0x40);
  ASSERT_NE(shown, plain);
  // "0" in the grid colour (yellow by default) in a 24 x 24 cell: 3 x 5 font pixels of 2.
  const uint32_t yellow = FrameCanvas::ColorToYuvPair(0x00FFFF);
  const uint8_t* p = &shown[(7 * kW + 10) * 2];  // the digit's top left pixel pair in cell 0
  EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24, yellow);
  size_t changed = 0;
  for (size_t i = 0; i < shown.size(); ++i) changed += shown[i] != plain[i];
  EXPECT_EQ(changed, 12u * 12 * 4 * 2 * 4 / 4);  // per cell 12 lit font pixels of 2 x 2: 48 bytes

  // The stream recorded: not one byte of it, window open or not.
  ASSERT_NO_FATAL_FAILURE(Restart(1));
  EXPECT_EQ(Feed(0x40), plain);
  plugin_.CloseTuning();
  ASSERT_NO_FATAL_FAILURE(Restart(0));
  EXPECT_EQ(Feed(0x40), plain);  // closing turned the levels off
}

TEST_F(PluginTuning, QuietAndMotionRunsProposeTheMiddleOfTheBand) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  EXPECT_FALSE(plugin_.StartCalibration(CalibrationKind::Quiet, 5));  // window closed
  plugin_.OpenTuning(&link_);
  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 2));   // kept to 5 s
  Play(2480, false);
  TuningStatus s = plugin_.TuningSnapshot().status;
  EXPECT_TRUE(s.running);
  EXPECT_EQ(s.percent, 49);
  Play(2560, false);
  s = plugin_.TuningSnapshot().status;
  EXPECT_FALSE(s.running);
  EXPECT_EQ(s.lastEnd, RunEnd::Finished);
  EXPECT_TRUE(s.haveQuiet);
  EXPECT_EQ(s.verdict.quiet, 16);
  EXPECT_EQ(s.verdict.proposed, -1);  // no motion run yet
  EXPECT_GE(link_.posts, 50);         // a post for every per cent and one at the end
  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Motion, 5));
  Play(5040, true);
  s = plugin_.TuningSnapshot().status;
  EXPECT_EQ(s.lastEnd, RunEnd::Finished);
  EXPECT_EQ(s.verdict.walk, 0);
  EXPECT_EQ(s.verdict.proposed, 8);
  EXPECT_TRUE(s.spoilers.empty());
  // The proposal becomes the working sensitivity in one command.
  const int32_t before = plugin_.Setting(&SettingsRecord::Sensitive);
  EXPECT_TRUE(plugin_.ApplyProposedSensitivity());
  EXPECT_EQ(plugin_.Setting(&SettingsRecord::Sensitive), 8);
  plugin_.SetSetting(&SettingsRecord::Sensitive, before);

  // A quiet run that is not quiet at all: nothing separates them, and every cell spoils it,
  // taken at the walk's 0. Unwatching them clears the mask.
  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 5));
  Play(5040, true);
  s = plugin_.TuningSnapshot().status;
  EXPECT_EQ(s.verdict.quiet, -1);
  EXPECT_EQ(s.verdict.proposed, -1);
  EXPECT_EQ(s.spoiledAt, 0);
  EXPECT_EQ(s.spoilers.size(), 12u);
  EXPECT_FALSE(plugin_.ApplyProposedSensitivity()) << "no proposal: nothing applied";
  EXPECT_EQ(plugin_.Setting(&SettingsRecord::Sensitive), before);
  EXPECT_EQ(plugin_.TuningSnapshot().mask.cellCount(), 12) << "the snapshot names the cells it is read against";
  // Each marked with a cross in the alarm colour (red), corner to corner, while the window is open.
  const std::vector<uint8_t> crossed = Feed(0x40);
  const uint32_t red = FrameCanvas::ColorToYuvPair(0x0000FF);
  for (const size_t at : {size_t{0}, size_t((23 * kW + 22) * 2), size_t((23 * kW + 72) * 2)})
    EXPECT_EQ(crossed[at] | crossed[at + 1] << 8 | crossed[at + 2] << 16 | uint32_t(crossed[at + 3]) << 24, red) << at;
  // A mask of the same size keeps them; one of another size names other cells: forgotten.
  ASSERT_TRUE(plugin_.LoadMask((dir_ / "m.msk").string()));
  EXPECT_EQ(plugin_.TuningSnapshot().status.spoilers.size(), 12u);
  MaskGrid other;
  other.Resize(5, 3);
  ASSERT_TRUE(other.SaveMaskFile((dir_ / "other.msk").string()));
  ASSERT_TRUE(plugin_.LoadMask((dir_ / "other.msk").string()));
  EXPECT_TRUE(plugin_.TuningSnapshot().status.spoilers.empty());
  ASSERT_TRUE(plugin_.LoadMask((dir_ / "m.msk").string()));
  plugin_.CloseTuning();
  EXPECT_EQ(Feed(0x40)[0], 0x40);
  plugin_.UnwatchCells(s.spoilers);
  for (uint8_t w : plugin_.Mask().watch) EXPECT_EQ(w, 0);
  // The settings are untouched by all this.
  EXPECT_EQ(plugin_.Setting(&SettingsRecord::Sensitive), 10);
}

TEST_F(PluginTuning, ARunRestartsWithTheDetectorAtAMaskEdit) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  plugin_.SetSetting(&SettingsRecord::LightChangePercent, 50);
  plugin_.OpenTuning(&link_);
  for (const bool edit : {false, true}) {
    ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 5));
    Feed(0x40);
    Feed(0xC0);  // every cell at once: a light change, held for 10 frames
    // Watching every cell restarts the detector's records, its hold with them: the box in
    // the next frame but one alarms, at every sensitivity, and so in the run.
    if (edit) plugin_.WatchAllCells();
    Feed(0xC0);
    FeedBox(0xC0, 0x40);
    Play(5000, false);
    const TuningStatus s = plugin_.TuningSnapshot().status;
    ASSERT_EQ(s.lastEnd, RunEnd::Finished);
    EXPECT_EQ(s.verdict.quiet, edit ? -1 : 16) << edit;
  }
}

TEST_F(PluginTuning, ARunEndsWithTheChannelAStreamStartOrTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  plugin_.OpenTuning(&link_);
  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 20));
  Play(400, false);
  Feed(0x40, 7);  // another channel
  EXPECT_EQ(plugin_.TuningSnapshot().status.lastEnd, RunEnd::ChannelChanged);
  EXPECT_FALSE(plugin_.TuningSnapshot().status.running);

  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Motion, 20));
  ASSERT_EQ(plugin_.Start(StreamFormat{kW, kH, 0, PixelFormatYUV422, 0, 0}), 1);
  EXPECT_EQ(plugin_.TuningSnapshot().status.lastEnd, RunEnd::StreamStarted);

  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 20));
  plugin_.CancelCalibration();
  EXPECT_EQ(plugin_.TuningSnapshot().status.lastEnd, RunEnd::Cancelled);

  // A mask of another size in the middle of a run.
  ASSERT_NO_FATAL_FAILURE(Restart(0));
  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 20));
  plugin_.WatchAllCells();
  plugin_.SetSetting(&SettingsRecord::MinAlarmCells, 5);  // of 12 cells: kept; of 4: back to 1
  MaskGrid g;
  g.Resize(2, 2);
  g.WatchAll();
  ASSERT_TRUE(g.SaveMaskFile((dir_ / "small.msk").string()));
  ASSERT_TRUE(plugin_.LoadMask((dir_ / "small.msk").string()));
  EXPECT_EQ(plugin_.Setting(&SettingsRecord::MinAlarmCells), 1u);
  Feed(0x40);
  EXPECT_EQ(plugin_.TuningSnapshot().status.lastEnd, RunEnd::MaskChanged);

  ASSERT_TRUE(plugin_.StartCalibration(CalibrationKind::Quiet, 20));
  plugin_.CloseTuning();
  TuningStatus s = plugin_.TuningSnapshot().status;
  EXPECT_FALSE(s.running);
  EXPECT_FALSE(s.haveQuiet);
  EXPECT_EQ(s.lastEnd, RunEnd::None);  // closed: everything forgotten
}

// The window's view line follows the detector: told when ViewLostSeconds makes the view
// watched, when a covered lens loses it, and when it comes back; and told nothing between.
TEST_F(PluginTuning, TheWindowIsToldWhenTheViewIsWatchedLostAndBack) {
  ASSERT_NO_FATAL_FAILURE(Begin());
  plugin_.OpenTuning(&link_);
  Feed(0x40);
  EXPECT_FALSE(plugin_.TuningSnapshot().viewWatched);
  const int quiet = link_.posts;
  plugin_.SetSetting(&SettingsRecord::ViewLostSeconds, 1u);
  // Cell 0 differs from the rest: a view with contrast to remember.
  FeedBox(0x40, 0xC0);
  EXPECT_TRUE(plugin_.TuningSnapshot().viewWatched);
  EXPECT_EQ(link_.posts, quiet + 1);
  for (int i = 0; i < 10; ++i) FeedBox(0x40, 0xC0);
  EXPECT_EQ(link_.posts, quiet + 1) << "nothing to tell while the view stays";
  // A covered lens: one grey, no contrast left. Lost after 25 frames, not before.
  for (int i = 0; i < 24; ++i) Feed(0x10);
  EXPECT_FALSE(plugin_.TuningSnapshot().viewLost);
  Feed(0x10);
  EXPECT_TRUE(plugin_.TuningSnapshot().viewLost);
  EXPECT_EQ(link_.posts, quiet + 2);
  for (int i = 0; i < 25; ++i) FeedBox(0x40, 0xC0);
  EXPECT_FALSE(plugin_.TuningSnapshot().viewLost);
  EXPECT_EQ(link_.posts, quiet + 3);
  plugin_.SetSetting(&SettingsRecord::ViewLostSeconds, 0u);
  Feed(0x40);
  EXPECT_FALSE(plugin_.TuningSnapshot().viewWatched);
  EXPECT_EQ(link_.posts, quiet + 4);
  plugin_.CloseTuning();
}

}  // namespace
}  // namespace qlv
