// The "Tuning" group of the detector tuning window without windows: which buttons a state
// enables, and the result text it reads, made from the English patterns of the string table.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "res/resource.h"
#include "strings_en_rc.h"
#include "ui/tuning_report.h"

namespace qlv {
namespace {

// The entry `name` of the English string table's script: the text between the quotes that
// follow the name, "" standing for one quote. Empty when the script has no such line.
std::wstring RcText(const char* name) {
  const std::string script = kStringsEnRc;
  const std::string key = std::string("\n    ") + name + " \"";
  const size_t at = script.find(key);
  if (at == std::string::npos) return std::wstring();
  std::wstring text;
  for (size_t i = at + key.size(); i < script.size(); ++i) {
    if (script[i] == '"') {
      if (i + 1 < script.size() && script[i + 1] == '"') {
        text += L'"';
        ++i;
        continue;
      }
      return text;
    }
    text += static_cast<wchar_t>(static_cast<unsigned char>(script[i]));  // the English texts are ASCII
  }
  return std::wstring();
}

#define QLV_ENTRY(name) {name, RcText(#name)}
// The patterns the window loads, read from the string table itself.
const std::map<uint32_t, std::wstring> kEnglish = {
    QLV_ENTRY(IDS_TUNE_LEARNING_QUIET),   QLV_ENTRY(IDS_TUNE_LEARNING_MOTION), QLV_ENTRY(IDS_TUNE_QUIET_NOT_YET),
    QLV_ENTRY(IDS_TUNE_QUIET_UP_TO),      QLV_ENTRY(IDS_TUNE_QUIET_NONE),      QLV_ENTRY(IDS_TUNE_MOTION_NOT_YET),
    QLV_ENTRY(IDS_TUNE_MOTION_FROM),      QLV_ENTRY(IDS_TUNE_MOTION_NONE),     QLV_ENTRY(IDS_TUNE_PROPOSAL),
    QLV_ENTRY(IDS_TUNE_NO_SPLIT_QUIET),   QLV_ENTRY(IDS_TUNE_NO_SPLIT_WALK),   QLV_ENTRY(IDS_TUNE_NO_SPLIT_OVERLAP),
    QLV_ENTRY(IDS_TUNE_SPOILERS),         QLV_ENTRY(IDS_TUNE_MORE_CELLS),      QLV_ENTRY(IDS_TUNE_END_CHANNEL),
    QLV_ENTRY(IDS_TUNE_END_STREAM),       QLV_ENTRY(IDS_TUNE_END_CANCELLED),   QLV_ENTRY(IDS_TUNE_END_MASK),
    QLV_ENTRY(IDS_TUNE_END_MEMORY),
};
#undef QLV_ENTRY

TEST(TuningReport, EveryPatternIsInTheStringTable) {
  for (const auto& entry : kEnglish) EXPECT_FALSE(entry.second.empty()) << "string " << entry.first;
  EXPECT_EQ(kEnglish.at(IDS_TUNE_MORE_CELLS), L"%1 and %2 more");
}

std::wstring English(uint32_t id) {
  auto it = kEnglish.find(id);
  return it == kEnglish.end() ? L"(no string " + std::to_wstring(id) + L")" : it->second;
}

const std::vector<uint8_t> kWatchAll(24 * 18, 1);

std::wstring Report(const TuningStatus& s, int32_t columns = 24) { return TuningReport(s, columns, English); }

TuningStatus Both(int32_t quiet, int32_t walk, int32_t proposed) {
  TuningStatus s;
  s.lastEnd = RunEnd::Finished;
  s.haveQuiet = s.haveMotion = true;
  s.verdict = SweepVerdict{quiet, walk, proposed};
  return s;
}

TEST(TuningReport, FromNothingThroughOneRunToAProposal) {
  TuningStatus s;
  EXPECT_EQ(Report(s), L"Quiet scene: not learned yet\r\nMotion: not learned yet");
  TuningControls c = TuningControlsFor(s, kWatchAll);
  EXPECT_TRUE(c.learn);
  EXPECT_FALSE(c.cancel || c.apply || c.unwatch);
  EXPECT_EQ(c.progress, 0);

  // A quiet run going on: the learn buttons wait, Cancel and the bar are live.
  s.running = true;
  s.kind = CalibrationKind::Quiet;
  s.percent = 37;
  EXPECT_EQ(Report(s),
            L"Learning the quiet scene: let nothing move in it.\r\nQuiet scene: not learned yet\r\nMotion: not learned yet");
  c = TuningControlsFor(s, kWatchAll);
  EXPECT_FALSE(c.learn);
  EXPECT_TRUE(c.cancel);
  EXPECT_EQ(c.progress, 37);

  // Finished: Q alone, no verdict line yet; the bar back at 0.
  s.running = false;
  s.percent = 0;
  s.lastEnd = RunEnd::Finished;
  s.haveQuiet = true;
  s.verdict.quiet = 11;
  EXPECT_EQ(Report(s), L"Quiet scene: quiet up to 11\r\nMotion: not learned yet");
  EXPECT_FALSE(TuningControlsFor(s, kWatchAll).apply);

  // A motion run over it keeps Q in sight.
  s.running = true;
  s.kind = CalibrationKind::Motion;
  s.lastEnd = RunEnd::None;
  EXPECT_EQ(Report(s), L"Learning motion: walk through the scene.\r\nQuiet scene: quiet up to 11\r\nMotion: not learned yet");

  s = Both(11, 5, 8);
  EXPECT_EQ(Report(s), L"Quiet scene: quiet up to 11\r\nMotion: caught from 5\r\n"
                       L"Sensitivity 8: the quiet scene stays quiet up to 11, the walk is caught from 5");
  c = TuningControlsFor(s, kWatchAll);
  EXPECT_TRUE(c.learn && c.apply);
  EXPECT_FALSE(c.cancel || c.unwatch);
  // The ends of the scale are results like any other.
  EXPECT_EQ(Report(Both(16, 0, 8)), L"Quiet scene: quiet up to 16\r\nMotion: caught from 0\r\n"
                                    L"Sensitivity 8: the quiet scene stays quiet up to 16, the walk is caught from 0");
  EXPECT_EQ(Report(Both(0, 0, 0)), L"Quiet scene: quiet up to 0\r\nMotion: caught from 0\r\n"
                                   L"Sensitivity 0: the quiet scene stays quiet up to 0, the walk is caught from 0");
}

TEST(TuningReport, WhyNoSensitivitySeparatesTheRunsAndTheCellsThatSpoilIt) {
  // Even 0 alarms in the quiet scene; two cells of a 24-column grid to blame.
  TuningStatus s = Both(-1, 0, -1);
  s.spoiledAt = 0;
  s.spoilers = {4 * 24 + 2, 4 * 24 + 3};
  EXPECT_EQ(Report(s), L"Quiet scene: none\r\nMotion: caught from 0\r\n"
                       L"No sensitivity tells them apart: even 0 alarms in the quiet scene.\r\n"
                       L"Cells that spoil it: 3:5, 4:5");
  TuningControls c = TuningControlsFor(s, kWatchAll);
  EXPECT_TRUE(c.unwatch);
  EXPECT_FALSE(c.apply);
  // "Unwatch" stays while one of them is watched still, and the list with it.
  std::vector<uint8_t> watch = kWatchAll;
  watch[4 * 24 + 2] = 0;
  EXPECT_TRUE(TuningControlsFor(s, watch).unwatch);
  watch[4 * 24 + 3] = 0;
  EXPECT_FALSE(TuningControlsFor(s, watch).unwatch);
  EXPECT_EQ(Report(s), L"Quiet scene: none\r\nMotion: caught from 0\r\n"
                       L"No sensitivity tells them apart: even 0 alarms in the quiet scene.\r\n"
                       L"Cells that spoil it: 3:5, 4:5");
  // Cells beyond a grid that has shrunk since, or no grid at all, are no one's to unwatch.
  EXPECT_FALSE(TuningControlsFor(s, std::vector<uint8_t>(98, 1)).unwatch);
  EXPECT_TRUE(TuningControlsFor(s, std::vector<uint8_t>(99, 1)).unwatch);
  EXPECT_FALSE(TuningControlsFor(s, {}).unwatch);

  // Even 16 misses the walk; with no quiet result either, the quiet reason comes first.
  s = Both(16, -1, -1);
  EXPECT_EQ(Report(s), L"Quiet scene: quiet up to 16\r\nMotion: none\r\n"
                       L"No sensitivity tells them apart: even 16 misses the walk.");
  EXPECT_FALSE(TuningControlsFor(s, kWatchAll).unwatch);
  EXPECT_EQ(Report(Both(-1, -1, -1)), L"Quiet scene: none\r\nMotion: none\r\n"
                                      L"No sensitivity tells them apart: even 0 alarms in the quiet scene.");

  // The walk is caught only from 9, the quiet scene alarms from 7 + 1 = 8. The first and
  // last cell of a 24 x 18 grid, and more cells than are listed.
  s = Both(7, 9, -1);
  s.spoiledAt = 9;
  for (int32_t i = 0; i < 15; ++i) s.spoilers.push_back(i == 0 ? 0 : i == 14 ? 431 : 24 * i + i);
  EXPECT_EQ(Report(s), L"Quiet scene: quiet up to 7\r\nMotion: caught from 9\r\n"
                       L"No sensitivity tells them apart: the walk is caught only from 9, but the quiet scene alarms "
                       L"from 8.\r\n"
                       L"Cells that spoil it: 1:1, 2:2, 3:3, 4:4, 5:5, 6:6, 7:7, 8:8, 9:9, 10:10, 11:11, 12:12 and 3 "
                       L"more");
  // Exactly as many as are listed: no count.
  s.spoilers.resize(kListedSpoilers);
  EXPECT_EQ(SpoilerList(s.spoilers, 24, English(IDS_TUNE_MORE_CELLS)),
            L"1:1, 2:2, 3:3, 4:4, 5:5, 6:6, 7:7, 8:8, 9:9, 10:10, 11:11, 12:12");
  // On another grid the same indexes are other cells; without columns, numbers from 1.
  EXPECT_EQ(SpoilerList({0, 9, 10, 29}, 10, L"%1 and %2 more"), L"1:1, 10:1, 1:2, 10:3");
  EXPECT_EQ(SpoilerList({0, 9}, 0, L"%1 and %2 more"), L"1, 10");
  EXPECT_EQ(SpoilerList({}, 24, L"%1 and %2 more"), L"");
}

TEST(TuningReport, EveryWayARunEndsEarlyIsNamedAboveTheResultsKept) {
  const struct {
    RunEnd end;
    const wchar_t* line;
  } cases[] = {
      {RunEnd::ChannelChanged, L"The run stopped: the channel changed."},
      {RunEnd::StreamStarted, L"The run stopped: a new stream started."},
      {RunEnd::Cancelled, L"The run was cancelled."},
      {RunEnd::WindowClosed, L"The run was cancelled."},
      {RunEnd::MaskChanged, L"The run stopped: the mask changed."},
      {RunEnd::NoMemory, L"The run stopped: not enough memory."},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.end));
    TuningStatus s = Both(11, 5, 8);
    s.lastEnd = k.end;
    EXPECT_EQ(Report(s), std::wstring(k.line) + L"\r\nQuiet scene: quiet up to 11\r\nMotion: caught from 5\r\n"
                                                L"Sensitivity 8: the quiet scene stays quiet up to 11, the walk is "
                                                L"caught from 5");
    EXPECT_TRUE(TuningControlsFor(s, kWatchAll).apply) << "the results before it still hold";
  }
  // A run going on says so rather than how the one before it ended.
  TuningStatus s;
  s.running = true;
  s.kind = CalibrationKind::Motion;
  s.lastEnd = RunEnd::Cancelled;
  s.percent = 140;
  EXPECT_EQ(Report(s), L"Learning motion: walk through the scene.\r\nQuiet scene: not learned yet\r\nMotion: not learned yet");
  EXPECT_EQ(TuningControlsFor(s, kWatchAll).progress, 100);
  s.percent = -3;
  EXPECT_EQ(TuningControlsFor(s, kWatchAll).progress, 0);
}

TEST(TuningReport, PatternsTakeNumberedArgumentsInAnyOrder) {
  EXPECT_EQ(FillPattern(L"%2 before %1", {L"a", L"b"}), L"b before a");
  EXPECT_EQ(FillPattern(L"100%% of %1", {L"cells"}), L"100% of cells");
  // Missing arguments give nothing; %0, %x and a last lone % stay as written.
  EXPECT_EQ(FillPattern(L"[%3]", {L"a"}), L"[]");
  EXPECT_EQ(FillPattern(L"%0 %x %", {L"a"}), L"%0 %x %");
  EXPECT_EQ(FillPattern(L"%1%1", {L"ab"}), L"abab");
  // An argument is not read again as a pattern.
  EXPECT_EQ(FillPattern(L"%1 %2", {L"%2", L"z"}), L"%2 z");
}

}  // namespace
}  // namespace qlv
