// The sensitivity sweep against the detector itself: on random streams, masks, guards, intruder
// options and mask edits, the sweep's result at every s from 0 to 16 is that of a detector run alone at s.
// And the change rule, for every sensitivity a file can hold, against its plain statement.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "detect/change_rule.h"
#include "detect/motion_detector.h"
#include "detect/sensitivity_sweep.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

// The rule as it reads: a cell changes when an enabled channel whose old mean is not 255
// moved by more than 16 - sensitive.
bool PlainRule(uint32_t oldWord, uint32_t newWord, uint32_t channels, int32_t sensitive) {
  for (int c = 0; c < 4; ++c) {
    const int64_t o = (oldWord >> (8 * c)) & 0xFF, n = (newWord >> (8 * c)) & 0xFF;
    if ((channels >> c & 1u) && o != 255 && (o > n ? o - n : n - o) > 16 - static_cast<int64_t>(sensitive))
      return true;
  }
  return false;
}

TEST(ChangeRule, MatchesItsStatementAtEverySensitivityAFileCanHold) {
  std::mt19937 rng(25);
  const int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -1000, -1, 0, 15, 16, 17, 18, 271, 272, INT32_MAX};
  int changes = 0, silentWithoutChannel = 0;
  for (int k = 0; k < 200000; ++k) {
    // Bytes near 255 and near each other, so that every branch is taken.
    uint32_t o = 0, n = 0;
    for (int c = 0; c < 4; ++c) {
      const uint32_t ob = rng() % 4 == 0 ? 255 : rng() % 256;
      const int32_t d = static_cast<int32_t>(rng() % 41) - 20;
      const uint32_t nb = rng() % 8 == 0 ? rng() % 256 : static_cast<uint32_t>(std::min(255, std::max(0, int32_t(ob) + d)));
      o |= ob << (8 * c);
      n |= nb << (8 * c);
    }
    const uint32_t channels = rng() % 16;
    const int32_t s = k % 3 == 0 ? extremes[rng() % 12] : static_cast<int32_t>(rng() % 61) - 20;
    const int32_t level = CellLevel(o, n, channels);
    const bool changed = LevelChanges(level, ChangeThreshold(s));
    ASSERT_EQ(changed, PlainRule(o, n, channels, s)) << std::hex << o << " " << n << " " << channels << std::dec << " " << s;
    changes += changed;
    silentWithoutChannel += level == kNoLevel && ChangeThreshold(s) < 0;
    // The detector's per-channel form and the change level the sweep reads say the same.
    int flag = 0;
    for (int c = 0; c < 4; ++c)
      if (channels >> c & 1u) ChannelChanged(o, n, c, s, flag);
    ASSERT_EQ(flag == 1, changed);
    DetectorParams p;
    p.controlB = channels & 1u, p.controlG = channels & 2u, p.controlR = channels & 4u, p.controlY = channels & 8u;
    if (s >= 0 && s <= 16) {
      ASSERT_EQ(LevelChanges(ChangeLevel(o, n, p), ChangeThreshold(s)), changed);
    }
  }
  EXPECT_GT(changes, 50000);
  EXPECT_GT(silentWithoutChannel, 1000);  // beyond 16 a cell with no counting channel stays quiet
}

// One stream: a grid edited at random between frames, 17 detectors each alone at its s, and a
// driver at a random sensitivity whose levels feed the sweep, as the tuning window feeds it.
struct Totals {
  uint64_t alarmFrames = 0, alarmFramesAt0 = 0, alarmFramesAt16 = 0, heldFrames = 0, mutedCells = 0, edits = 0;
  uint64_t intruderStreams = 0;
};

void RunStream(uint32_t seed, Totals* totals) {
  std::mt19937 rng(seed);
  const int32_t format = static_cast<int32_t>(rng() % 2);
  const int32_t w = static_cast<int32_t>(1 + rng() % 40), h = static_cast<int32_t>(1 + rng() % 30);
  FrameCanvas canvas = testutil::Canvas(w, h, format, kernels::ActiveKernels().level);
  MaskGrid grid;
  ASSERT_TRUE(grid.Resize(static_cast<int32_t>(1 + rng() % 8), static_cast<int32_t>(1 + rng() % 6)));
  const int32_t cells = grid.cellCount();
  for (int32_t i = 0; i < cells; ++i) grid.watch()[i] = rng() % 4 != 0;

  SettingsRecord s;
  s.FrameCounter = static_cast<int32_t>(rng() % 6) - 1;
  s.ControlY = rng() % 3 != 0, s.ControlR = rng() % 3 == 0, s.ControlG = rng() % 4 == 0, s.ControlB = rng() % 4 == 0;
  s.LightChangePercent = rng() % 2 ? 0 : 1 + rng() % 100;
  s.LightChangeFrames = 1 + rng() % 6;
  s.MuteBusyPercent = rng() % 2 ? 0 : 1 + rng() % 30;
  s.MinAlarmCells = 1 + rng() % 3;
  // The intruder options: a scene absorbed after one or two seconds, a busy margin.
  s.SceneSeconds = rng() % 2 ? 0 : 1 + rng() % 2;
  s.BusyMargin = rng() % 2 ? 0 : 1 + rng() % 5;
  s.ViewLostSeconds = rng() % 4 == 0 ? 1 : 0;
  totals->intruderStreams += s.SceneSeconds > 0 || s.BusyMargin > 0;
  DetectorParams p(s);
  p.sensitive = static_cast<int32_t>(rng() % 61) - 20;  // the driver's own: the sweep must not care

  MotionDetector driver;
  driver.KeepLevels(true);
  ASSERT_TRUE(driver.ResizeSamples(w, h));
  std::array<std::unique_ptr<MotionDetector>, kSweepSensitivities> alone;
  for (auto& d : alone) {
    d = std::make_unique<MotionDetector>();
    ASSERT_TRUE(d->ResizeSamples(w, h));
  }
  SensitivitySweep sweep;
  ASSERT_TRUE(sweep.Begin(static_cast<size_t>(cells)));
  std::array<uint32_t, kSweepSensitivities> alarmFrames{}, firstAlarm{};
  std::vector<std::vector<uint8_t>> ever(kSweepSensitivities, std::vector<uint8_t>(static_cast<size_t>(cells), 0));
  const uint32_t m = FullMask(static_cast<int32_t>(p.frameCounter));

  std::vector<uint8_t> frame = testutil::RandomFrame(rng, canvas);
  const int frames = 60 + static_cast<int>(rng() % 120);
  for (int f = 1; f <= frames; ++f) {
    switch (rng() % 6) {
      case 0: break;  // unchanged
      case 1:         // sensor noise
        for (uint8_t& b : frame) b = static_cast<uint8_t>(std::min(255, std::max(0, b + int(rng() % 9) - 4)));
        break;
      case 2:  // the light over the whole picture
        canvas.BlendFillRect(frame.data(), 0, 0, w, h, rng() & 0xFFFFFF, static_cast<int32_t>(5 + rng() % 30));
        break;
      default: {  // something moves
        const int32_t l = static_cast<int32_t>(rng() % w), t = static_cast<int32_t>(rng() % h);
        canvas.BlendFillRect(frame.data(), l, t, l + 1 + static_cast<int32_t>(rng() % w),
                             t + 1 + static_cast<int32_t>(rng() % h), rng() & 0xFFFFFF, 100);
      }
    }
    if (rng() % 5 == 0) {
      ++totals->edits;
      switch (rng() % 6) {
        case 0:
          for (uint32_t k = 1 + rng() % 3; k > 0; --k)
            grid.ToggleCell(static_cast<int32_t>(rng() % grid.columns()), static_cast<int32_t>(rng() % grid.rows()));
          break;
        case 1: grid.WatchAll(); break;
        case 2: grid.InvertMask(); break;
        case 3: {  // a new grid of the same cells, as a mask file loaded again
          MaskGrid other;
          ASSERT_TRUE(other.Resize(grid.columns(), grid.rows()));
          for (int32_t i = 0; i < cells; ++i) other.watch()[i] = rng() % 2;
          const std::string bytes = other.MaskBytes();
          grid.LoadMaskBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
          break;
        }
        case 4: grid.RestartCells(); break;  // the channel entered again
        default: grid.ClearAll(); break;     // restarts nothing
      }
    }

    driver.DetectMotion(frame.data(), canvas, grid, p);
    ASSERT_TRUE(driver.frameCompared());
    sweep.Follow(driver.state());
    ASSERT_TRUE(sweep.Frame(driver.levels().data(), driver.state().reference(), driver.compared(), p));
    for (int32_t k = 0; k < kSweepSensitivities; ++k) {
      DetectorParams q = p;
      q.sensitive = k;
      MotionDetector& d = *alone[static_cast<size_t>(k)];
      if (d.DetectMotion(frame.data(), canvas, grid, q) == 1 && alarmFrames[static_cast<size_t>(k)]++ == 0)
        firstAlarm[static_cast<size_t>(k)] = static_cast<uint32_t>(f);
      const DetectorState& st = d.state();
      for (int32_t i = 0; i < cells; ++i)
        if (driver.levels()[static_cast<size_t>(i)] != kNotCompared && CountsInAlarm(st.muted()[i], st.history()[i], m))
          ever[static_cast<size_t>(k)][static_cast<size_t>(i)] = 1;
      const SensitivitySweep::Result& r = sweep.result(k);
      ASSERT_EQ(r.alarmFrames, alarmFrames[static_cast<size_t>(k)]) << "seed " << seed << " frame " << f << " s " << k;
      totals->heldFrames += st.hold() > 0;
      for (int32_t i = 0; i < cells; ++i) totals->mutedCells += st.muted()[i];
    }
  }
  for (int32_t k = 0; k < kSweepSensitivities; ++k) {
    const SensitivitySweep::Result& r = sweep.result(k);
    EXPECT_EQ(r.firstAlarmFrame, firstAlarm[static_cast<size_t>(k)]) << "seed " << seed << " s " << k;
    EXPECT_EQ(r.everInAlarm, ever[static_cast<size_t>(k)]) << "seed " << seed << " s " << k;
    totals->alarmFrames += r.alarmFrames;
  }
  totals->alarmFramesAt0 += alarmFrames[0];
  totals->alarmFramesAt16 += alarmFrames[16];
}

constexpr uint32_t kStreams = 400;

TEST(SweepProperty, EverySensitivityOfTheSweepIsTheDetectorRunAloneAtIt) {
  Totals totals;
  for (uint32_t seed = 1; seed <= kStreams; ++seed) {
    ASSERT_NO_FATAL_FAILURE(RunStream(seed, &totals));
  }
  // The streams reach what the property is about: alarms, more at 16 than at 0, held frames,
  // muted cells and edits.
  EXPECT_GT(totals.alarmFramesAt16, totals.alarmFramesAt0 + 1000);
  EXPECT_GT(totals.alarmFrames, 10000u);
  EXPECT_GT(totals.heldFrames, 1000u);
  EXPECT_GT(totals.mutedCells, 1000u);
  EXPECT_GT(totals.edits, 5000u);
  EXPECT_GT(totals.intruderStreams, kStreams / 2);
  RecordProperty("streams", static_cast<int>(kStreams));
}

}  // namespace
}  // namespace qlv
