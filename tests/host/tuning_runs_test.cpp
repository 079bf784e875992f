// The detector tuning window's "Tuning" group on the real DLL: generated clips played
// through the stand-in host's player on a frame thread, runs of 5 s of real frames
// started and stopped with real clicks, the results the window reads, and what its
// buttons do to the settings dialog, the mask, the settings file and the video.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "frame_source.h"
#include "host_session.h"
#include "player.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hosttest::ItemText;
using hosttest::PumpUntil;

constexpr int32_t kW = 96, kH = 72;  // 24 x 18 cells of 4 x 4 pixels
constexpr int32_t kColumns = 24;
constexpr int32_t kLampRow = 4, kLampColumns[] = {2, 3};  // "3:5" and "4:5" to the user
constexpr int64_t kPressAt = 40;                          // after the 30 frames of warm-up

std::string RunsMask() { return hosttest::PluginsFolder() + "tuning_runs.msk"; }

// A dark scene whose every cell carries its own noise, 0 to 6 luma levels over 60 in each
// frame, so that no cell changes by more than 6 (quiet up to sensitivity 10, alarmed from
// 11). `lamp`: two cells flash between 60 and 200 on every other frame. `boxX` >= 0: a
// bright 16 x 16 box walks through.
std::vector<uint8_t> SceneFrame(uint32_t* seed, bool lamp, bool lampOn, int32_t boxX) {
  std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2, 128);
  std::vector<uint8_t> noise(static_cast<size_t>(kColumns) * (kH / 4));
  for (uint8_t& n : noise) {
    *seed = *seed * 1103515245u + 12345u;
    n = static_cast<uint8_t>((*seed >> 16) % 7);
  }
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const int32_t column = x / 4, row = y / 4;
      uint8_t luma = static_cast<uint8_t>(60 + noise[static_cast<size_t>(row * kColumns + column)]);
      if (lamp && row == kLampRow && (column == kLampColumns[0] || column == kLampColumns[1]))
        luma = lampOn ? 200 : 60;
      if (boxX >= 0 && y >= 28 && y < 44 && x >= boxX && x < boxX + 16) luma = 220;
      f[static_cast<size_t>(y * kW + x) * 2] = luma;
    }
  return f;
}

// 50 frames that loop without a seam: the quiet scene, or the box walking to the right and
// back.
std::vector<std::vector<uint8_t>> Clip(bool lamp, bool walk) {
  uint32_t seed = walk ? 7u : 1u;
  std::vector<std::vector<uint8_t>> frames;
  for (int32_t i = 0; i < 50; ++i) {
    const int32_t boxX = !walk ? -1 : i < 25 ? 3 * i : 3 * (49 - i);
    frames.push_back(SceneFrame(&seed, lamp, i % 2 == 1, boxX));
  }
  return frames;
}

bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
int Progress(HWND window) {
  return static_cast<int>(SendDlgItemMessageW(window, IDC_TUNE_PROGRESS, PBM_GETPOS, 0, 0));
}

// What was seen of a run while it went on.
struct RunSeen {
  bool started = false;
  bool whileRunning = false;  // learn buttons off, Cancel on, the bar between its ends
  DWORD pressTick = 0, endTick = 0;  // before the press; when the learn buttons came back
  std::wstring runningText;
};

class TuningRunsTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveFiles(); }
  void TearDown() override {
    session_.Shutdown();
    RemoveFiles();
  }
  static void RemoveFiles() {
    DeleteFileA(hosttest::IniPath().c_str());
    DeleteFileA(RunsMask().c_str());
  }

  // Every cell of the 24 x 18 grid watched, nothing drawn over the video but the tuning
  // window's own marks; the camera is the controlled channel.
  void OpenHost(uint32_t language) {
    ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(RunsMask()));
    ASSERT_NO_FATAL_FAILURE(hosttest::WriteBytes(
        hosttest::IniPath(), "[PluginSettings]\r\nMaskFileName=" + RunsMask() +
                                 "\r\nChannelIdx=101\r\nShowGrid=0\r\nShowMask=0\r\nShowTime=0\r\nRecShowTime=0\r\n"));
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    so.windows.languageAnswer = language;
    std::string error;
    ASSERT_TRUE(session_.Open(so, &error)) << error;
    session_.channels().SetChannels({{101, 0, "Camera"}, {102, 0, "Other"}});
    ASSERT_NE(session_.Record(), nullptr);
    session_.Init();
    session_.RequestSettings();
    dialog_ = hosttest::WaitForSettingsDialog();
    ASSERT_NE(dialog_, nullptr);
    tuning_ = OpenTuning();
    ASSERT_NE(tuning_, nullptr);
  }

  HWND OpenTuning() {
    EXPECT_TRUE(hosttest::ClickOn(GetDlgItem(dialog_, IDC_TUNING)));
    return hosttest::WaitForTuningWindow();
  }

  // A real click on a button of the tuning window, and the messages it causes.
  bool Press(int id, const std::function<bool()>& done) {
    return hosttest::ClickOn(GetDlgItem(tuning_, id)) && PumpUntil(done, 5000);
  }

  // Plays `clip` in a loop at 25 frames a second; every 5 frames `step` runs on this
  // thread while the frame thread waits, until it returns true (or 40 s of frames).
  // `raw`: the frames after the plug-in. `channel`: the channel list index by frame.
  hostsim::PlayerResult Play(const std::vector<std::vector<uint8_t>>& clip, int32_t recording,
                             const std::function<bool(int64_t)>& step, std::FILE* raw = nullptr,
                             const std::function<int(int64_t)>& channel = nullptr) {
    std::FILE* input = std::tmpfile();
    for (const std::vector<uint8_t>& f : clip) std::fwrite(f.data(), 1, f.size(), input);
    std::rewind(input);
    hostsim::FrameLayout layout;
    layout.width = kW;
    layout.height = kH;
    layout.format = 0;
    hostsim::FrameSource source(input, layout);
    hostsim::Player player(*session_.Record(), session_.windows(), [&](int64_t i) {
      return session_.channels().Get(channel ? channel(i) : 0);
    });
    hostsim::PlayerConfig pc;
    pc.layout = layout;
    pc.fps = 25;
    pc.loop = true;
    pc.maxFrames = 1000;
    pc.recording = recording;
    pc.uiTaskEvery = 5;
    pc.uiTask = [&](int64_t i) {
      if (step(i)) player.RequestStop();
    };
    hostsim::PlayerOutputs out;
    out.framesRaw = raw;
    hostsim::PlayerResult result = player.Play(source, pc, out);
    std::fclose(input);
    return result;
  }

  // One run of `kind` from frame kPressAt until the learn buttons come back.
  hostsim::PlayerResult Learn(const std::vector<std::vector<uint8_t>>& clip, int button, RunSeen* seen,
                              std::FILE* raw = nullptr) {
    return Play(
        clip, 0,
        [&](int64_t i) {
          if (!seen->started) {
            if (i < kPressAt) return false;
            seen->pressTick = GetTickCount();
            seen->started = Press(button, [&] { return Enabled(tuning_, IDC_TUNE_CANCEL); });
            EXPECT_TRUE(seen->started) << "the run did not start";
            return !seen->started;
          }
          if (Enabled(tuning_, IDC_TUNE_QUIET)) {
            seen->endTick = GetTickCount();
            return true;
          }
          const int p = Progress(tuning_);
          if (p > 0 && p < 100 && !Enabled(tuning_, IDC_TUNE_MOTION) && Enabled(tuning_, IDC_TUNE_CANCEL)) {
            seen->whileRunning = true;
            seen->runningText = ItemText(tuning_, IDC_TUNE_RESULT);
          }
          return false;
        },
        raw);
  }

  hostsim::HostSession session_;
  HWND dialog_ = nullptr;
  HWND tuning_ = nullptr;
};

// The frames written to `raw` as read back; false when they are not whole frames.
bool ReadFrames(std::FILE* raw, std::vector<std::vector<uint8_t>>* frames) {
  std::rewind(raw);
  std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2);
  frames->clear();
  size_t n;
  while ((n = std::fread(f.data(), 1, f.size(), raw)) == f.size()) frames->push_back(f);
  return n == 0;
}

// A flashing lamp spoils the quiet scene at every sensitivity: the window names its two
// cells, unwatches them, and a second quiet run then brings a proposal, which "Apply" puts
// into the settings dialog's field and the settings file. The change levels are drawn
// while the box is checked, and never into a recorded stream.
TEST_F(TuningRunsTest, TwoRunsTheCellsThatSpoilThemAndTheProposalApplied) {
  ASSERT_NO_FATAL_FAILURE(OpenHost(1033));
  EXPECT_FALSE(hosttest::IsChecked(tuning_, IDC_TUNE_LEVELS));
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_SECONDS), L"20");
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT), L"Quiet scene: not learned yet\r\nMotion: not learned yet");
  EXPECT_TRUE(Enabled(tuning_, IDC_TUNE_QUIET) && Enabled(tuning_, IDC_TUNE_MOTION));
  EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_CANCEL) || Enabled(tuning_, IDC_TUNE_APPLY) ||
               Enabled(tuning_, IDC_TUNE_UNWATCH));

  // The run's length is checked like every number field; 5 s it is.
  {
    hosttest::MessageBoxCatcher boxes;
    for (const wchar_t* bad : {L"4", L"121", L""}) {
      const size_t before = boxes.count();
      hosttest::SetItemText(tuning_, IDC_TUNE_SECONDS, bad);
      EXPECT_TRUE(boxes.WaitForCount(before + 1)) << testing::PrintToString(std::wstring(bad));
      EXPECT_EQ(ItemText(tuning_, IDC_TUNE_SECONDS), L"20");
    }
    ASSERT_EQ(boxes.count(), 3u);
    for (const hosttest::SeenMessageBox& b : boxes.boxes()) {
      EXPECT_EQ(b.text, L"The length of a run should be a number of seconds from 5 to 120");
      EXPECT_EQ(b.owner, tuning_);
    }
    ASSERT_TRUE(hosttest::TypeInto(GetDlgItem(tuning_, IDC_TUNE_SECONDS), "5"));
    EXPECT_TRUE(PumpUntil([&] { return ItemText(tuning_, IDC_TUNE_SECONDS) == L"5"; }));
    EXPECT_EQ(boxes.count(), 3u);
  }
  ASSERT_TRUE(Press(IDC_TUNE_LEVELS, [&] { return hosttest::IsChecked(tuning_, IDC_TUNE_LEVELS); }));

  // The quiet scene with the lamp: even 0 alarms.
  const std::vector<std::vector<uint8_t>> lampQuiet = Clip(true, false), lampWalk = Clip(true, true);
  std::FILE* shown = std::tmpfile();
  RunSeen quiet;
  hostsim::PlayerResult r = Learn(lampQuiet, IDC_TUNE_QUIET, &quiet, shown);
  ASSERT_TRUE(quiet.started);
  EXPECT_TRUE(quiet.whileRunning) << "Cancel, the bar and the learn buttons during the run";
  EXPECT_EQ(quiet.runningText,
            L"Learning the quiet scene: let nothing move in it.\r\nQuiet scene: not learned yet\r\nMotion: not learned yet");
  // Timed by the tick count: 5 s from the press at least.
  EXPECT_GE(quiet.endTick - quiet.pressTick, 5000u);
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT), L"Quiet scene: none\r\nMotion: not learned yet");
  EXPECT_EQ(Progress(tuning_), 0);
  EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_CANCEL) || Enabled(tuning_, IDC_TUNE_APPLY) ||
               Enabled(tuning_, IDC_TUNE_UNWATCH));

  // The levels reached the frames shown: after the warm-up, every one differs from its input.
  std::vector<std::vector<uint8_t>> out;
  ASSERT_TRUE(ReadFrames(shown, &out));
  std::fclose(shown);
  ASSERT_EQ(static_cast<int64_t>(out.size()), r.frames);
  int64_t marked = 0;
  for (size_t i = 0; i < out.size(); ++i) marked += out[i] != lampQuiet[i % lampQuiet.size()] ? 1 : 0;
  EXPECT_GE(marked, r.frames - 40) << "frames with the levels drawn";

  // The walk: caught from 0, and the lamp's cells named.
  RunSeen walk;
  Learn(lampWalk, IDC_TUNE_MOTION, &walk);
  ASSERT_TRUE(walk.started);
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT),
            L"Quiet scene: none\r\nMotion: caught from 0\r\n"
            L"No sensitivity tells them apart: even 0 alarms in the quiet scene.\r\nCells that spoil it: 3:5, 4:5");
  EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_APPLY));
  ASSERT_TRUE(Enabled(tuning_, IDC_TUNE_UNWATCH));

  // Unwatched, which leaves none of them to unwatch, then saved by the mask button as
  // any mask edit: every cell but the lamp's.
  ASSERT_TRUE(Press(IDC_TUNE_UNWATCH, [&] { return !Enabled(tuning_, IDC_TUNE_UNWATCH); }));
  EXPECT_NE(ItemText(tuning_, IDC_TUNE_RESULT).find(L"Cells that spoil it: 3:5, 4:5"), std::wstring::npos);
  hosttest::ClickButton(dialog_, IDC_MASK_SAVE);
  std::string mask;
  if (std::FILE* f = std::fopen(RunsMask().c_str(), "rb")) {
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) mask.append(buf, n);
    std::fclose(f);
  }
  ASSERT_EQ(mask.size(), 10u + 432u);
  EXPECT_EQ(mask.substr(0, 10), std::string("\x03\x02\x18\0\0\0\x12\0\0\0", 10));
  for (int32_t c = 0; c < 432; ++c) {
    const bool lamp = c == kLampRow * kColumns + kLampColumns[0] || c == kLampRow * kColumns + kLampColumns[1];
    EXPECT_EQ(mask[10 + static_cast<size_t>(c)], lamp ? 0 : 1) << "cell " << c;
  }

  // The quiet scene again, the lamp no longer watched: quiet up to 10, so 5 is proposed.
  RunSeen again;
  Learn(lampQuiet, IDC_TUNE_QUIET, &again);
  ASSERT_TRUE(again.started);
  EXPECT_EQ(again.runningText, L"Learning the quiet scene: let nothing move in it.\r\nQuiet scene: none\r\n"
                               L"Motion: caught from 0\r\n"
                               L"No sensitivity tells them apart: even 0 alarms in the quiet scene.\r\n"
                               L"Cells that spoil it: 3:5, 4:5")
      << "the results stay until the run ends";
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT),
            L"Quiet scene: quiet up to 10\r\nMotion: caught from 0\r\n"
            L"Sensitivity 5: the quiet scene stays quiet up to 10, the walk is caught from 0");
  EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_UNWATCH));
  ASSERT_TRUE(Enabled(tuning_, IDC_TUNE_APPLY));
  EXPECT_EQ(ItemText(dialog_, IDC_SENSITIVE_EDIT), L"10");
  ASSERT_TRUE(Press(IDC_TUNE_APPLY, [&] { return ItemText(dialog_, IDC_SENSITIVE_EDIT) == L"5"; }))
      << "the settings dialog's field shows " << testing::PrintToString(ItemText(dialog_, IDC_SENSITIVE_EDIT));

  // A recorded stream with the box still checked: not one byte of the video changes.
  std::FILE* recorded = std::tmpfile();
  r = Play(lampWalk, 1, [](int64_t i) { return i >= 100; }, recorded);
  ASSERT_TRUE(ReadFrames(recorded, &out));
  std::fclose(recorded);
  ASSERT_EQ(static_cast<int64_t>(out.size()), r.frames);
  ASSERT_GE(out.size(), 100u);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_TRUE(out[i] == lampWalk[i % lampWalk.size()]) << "recorded frame " << i;
  EXPECT_TRUE(hosttest::IsChecked(tuning_, IDC_TUNE_LEVELS));

  // Closed and opened again: the box off, the results gone, the length kept.
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(tuning_, IDC_TUNE_SECONDS), {VK_ESCAPE}));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(tuning_); }));
  tuning_ = OpenTuning();
  ASSERT_NE(tuning_, nullptr);
  EXPECT_FALSE(hosttest::IsChecked(tuning_, IDC_TUNE_LEVELS));
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT), L"Quiet scene: not learned yet\r\nMotion: not learned yet");
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_SECONDS), L"5");
  EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_APPLY));

  session_.Close();
  EXPECT_EQ(hosttest::SavedValue("Sensitive"), "5");
}

// In Russian under code page 1251: a run cancelled by its button and one stopped by a
// change of channel, each named in the window's language above the results kept.
TEST_F(TuningRunsTest, RunsEndedEarlySayWhyInRussianCp1251) {
  ASSERT_EQ(GetACP(), 1251u) << "run with LANG=ru_RU.UTF-8";
  ASSERT_NO_FATAL_FAILURE(OpenHost(0x419));
  // Спокойная сцена: ещё не изучена / Движение: ещё не изучено
  const std::wstring nothing =
      L"\u0421\u043F\u043E\u043A\u043E\u0439\u043D\u0430\u044F \u0441\u0446\u0435\u043D\u0430: "
      L"\u0435\u0449\u0451 \u043D\u0435 \u0438\u0437\u0443\u0447\u0435\u043D\u0430\r\n"
      L"\u0414\u0432\u0438\u0436\u0435\u043D\u0438\u0435: \u0435\u0449\u0451 \u043D\u0435 "
      L"\u0438\u0437\u0443\u0447\u0435\u043D\u043E";
  EXPECT_EQ(ItemText(tuning_, IDC_TUNE_RESULT), nothing);

  std::atomic<int64_t> otherFrom{-1};
  int stage = 0;
  std::wstring cancelled, stopped;
  Play(
      Clip(false, true), 0,
      [&](int64_t i) {
        switch (stage) {
          case 0:  // the walk, learned and cancelled by the button
            if (i < kPressAt) return false;
            EXPECT_TRUE(Press(IDC_TUNE_MOTION, [&] { return Enabled(tuning_, IDC_TUNE_CANCEL); }));
            stage = 1;
            return false;
          case 1:
            EXPECT_TRUE(Press(IDC_TUNE_CANCEL, [&] { return Enabled(tuning_, IDC_TUNE_MOTION); }));
            cancelled = ItemText(tuning_, IDC_TUNE_RESULT);
            EXPECT_FALSE(Enabled(tuning_, IDC_TUNE_CANCEL));
            stage = 2;
            return false;
          case 2:  // the quiet scene, until the channel changes
            EXPECT_TRUE(Press(IDC_TUNE_QUIET, [&] { return Enabled(tuning_, IDC_TUNE_CANCEL); }));
            otherFrom = i + 3;
            stage = 3;
            return false;
          default:
            if (!Enabled(tuning_, IDC_TUNE_QUIET)) return false;
            stopped = ItemText(tuning_, IDC_TUNE_RESULT);
            return true;
        }
      },
      nullptr, [&](int64_t i) { return otherFrom >= 0 && i >= otherFrom ? 1 : 0; });
  ASSERT_EQ(stage, 3);
  // Обучение отменено.
  EXPECT_EQ(cancelled, L"\u041E\u0431\u0443\u0447\u0435\u043D\u0438\u0435 \u043E\u0442\u043C\u0435\u043D\u0435\u043D\u043E.\r\n" +
                           nothing);
  // Обучение прервано: сменился канал.
  EXPECT_EQ(stopped, L"\u041E\u0431\u0443\u0447\u0435\u043D\u0438\u0435 \u043F\u0440\u0435\u0440\u0432\u0430\u043D\u043E: "
                     L"\u0441\u043C\u0435\u043D\u0438\u043B\u0441\u044F \u043A\u0430\u043D\u0430\u043B.\r\n" +
                         nothing);
  EXPECT_EQ(Progress(tuning_), 0);
  session_.Close();
}

}  // namespace
