#include "plugin/detector_tuning.h"

#include "detect/change_rule.h"

#include <algorithm>
#include <new>
#include <utility>

namespace qlv {

void LevelPeaks::Reset() {
  ring_.clear();
  top_.clear();
  cells_ = 0;
  slot_ = 0;
}

void LevelPeaks::Feed(const std::vector<uint8_t>& levels) {
  if (cells_ != levels.size()) {
    cells_ = levels.size();
    ring_.assign(cells_ * kLevelFrames, 0);
    top_.assign(cells_, 0);
    slot_ = 0;
  }
  for (size_t i = 0; i < cells_; ++i) {
    uint8_t* ring = &ring_[i * kLevelFrames];
    const uint8_t in = levels[i] == kNotCompared ? 0 : levels[i];
    const uint8_t out = ring[slot_];
    ring[slot_] = in;
    // Searched again only when the largest one leaves.
    if (in >= top_[i])
      top_[i] = in;
    else if (out == top_[i])
      top_[i] = *std::max_element(ring, ring + kLevelFrames);
  }
  slot_ = slot_ + 1 == kLevelFrames ? 0 : slot_ + 1;
}

bool Calibration::Start(CalibrationKind kind, uint32_t seconds, uint32_t nowMs, int32_t cells) {
  seconds = std::min(std::max(seconds, kMinRunSeconds), kMaxRunSeconds);
  if (!run_.Begin(static_cast<size_t>(cells))) {
    lastEnd_ = RunEnd::NoMemory;
    return false;
  }
  running_ = true;
  kind_ = kind;
  startMs_ = nowMs;
  lengthMs_ = seconds * 1000u;
  percent_ = 0;
  cells_ = cells;
  lastEnd_ = RunEnd::None;
  return true;
}

bool Calibration::Cancel(RunEnd why) {
  if (!running_) return false;
  running_ = false;
  run_.End();
  lastEnd_ = why;
  return true;
}

void Calibration::Forget() {
  quiet_.End();
  motion_.End();
  verdict_ = SweepVerdict();
  lastEnd_ = RunEnd::None;
}

Calibration::Step Calibration::Feed(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs) {
  if (!running_) return Step::Nothing;
  const std::vector<uint8_t>& levels = detector.levels();
  if (levels.size() != static_cast<size_t>(cells_)) {
    Cancel(RunEnd::MaskChanged);
    return Step::Stopped;
  }
  // First what the detector restarted since the last frame (its epochs): no mask edit need tell the run.
  run_.Follow(detector.state());
  if (!run_.Frame(levels.data(), detector.state().reference(), detector.compared(), p)) {
    Cancel(RunEnd::NoMemory);
    return Step::Stopped;
  }
  // Unsigned: a tick count that wrapped since the start still gives the time gone by.
  const uint32_t elapsed = nowMs - startMs_;
  if (elapsed >= lengthMs_) {
    Finish();
    return Step::Finished;
  }
  const int32_t percent = static_cast<int32_t>(static_cast<uint64_t>(elapsed) * 100 / lengthMs_);
  if (percent == percent_) return Step::Nothing;
  percent_ = percent;
  return Step::Progress;
}

void Calibration::Finish() {
  running_ = false;
  percent_ = 100;
  lastEnd_ = RunEnd::Finished;
  (kind_ == CalibrationKind::Quiet ? quiet_ : motion_) = std::move(run_);
  run_.End();
  verdict_ = Judge(quiet_, motion_);
}

SpoilingCells Calibration::Spoilers(int32_t sensitive) const {
  SpoilingCells spoilers;
  if (verdict_.proposed >= 0 || !quiet_.hasRun() || !motion_.hasRun()) return spoilers;
  spoilers.at = verdict_.walk >= 0 ? verdict_.walk : std::min(std::max(sensitive, 0), kSweepSensitivities - 1);
  spoilers.gridCells = cells_;
  spoilers.cells = CellsInAlarm(quiet_, spoilers.at);
  return spoilers;
}

void Calibration::Describe(TuningStatus* s) const {
  s->running = running_;
  s->kind = kind_;
  s->percent = running_ ? percent_ : 0;
  s->lastEnd = lastEnd_;
  s->haveQuiet = quiet_.hasRun();
  s->haveMotion = motion_.hasRun();
  s->verdict = verdict_;
}

void DetectorTuning::Open(TuningLink* link) {
  open_ = true;
  link_ = link;
}

void DetectorTuning::Close() {
  if (calibration_.running()) Cancel(RunEnd::WindowClosed);
  open_ = false;
  link_ = nullptr;
  ShowLevels(false);
  calibration_.Forget();
  spoilers_ = SpoilingCells();
}

void DetectorTuning::ShowLevels(bool on) {
  levels_ = on && open_;
  peaks_.Reset();
}

bool DetectorTuning::Start(CalibrationKind kind, uint32_t seconds, uint32_t nowMs, int32_t cells) {
  if (!open_ || cells <= 0) return false;
  if (calibration_.running()) Cancel(RunEnd::Cancelled);
  const bool started = calibration_.Start(kind, seconds, nowMs, cells);
  Notify();
  return started;
}

void DetectorTuning::Cancel(RunEnd why) {
  if (calibration_.Cancel(why)) Notify();
}

void DetectorTuning::FollowGridSize(int32_t cells) {
  if (!spoilers_.held() || spoilers_.gridCells == cells) return;
  spoilers_ = SpoilingCells();
  Notify();
}

void DetectorTuning::AfterDetection(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs) {
  if (!detector.frameCompared()) return;
  if (levelsShown()) peaks_.Feed(detector.shownLevels());
  // The window says whether the view is watched, and whether it is lost.
  if (detector.viewEvent() != ViewEvent::None || detector.viewWatched() != viewWatched_) {
    viewWatched_ = detector.viewWatched();
    Notify();
  }
  switch (calibration_.Feed(detector, p, nowMs)) {
    case Calibration::Step::Nothing: break;
    case Calibration::Step::Finished:
      spoilers_ = calibration_.Spoilers(p.sensitive);
      Notify();
      break;
    case Calibration::Step::Progress:
    case Calibration::Step::Stopped: Notify(); break;
  }
}

TuningStatus DetectorTuning::Status() const {
  TuningStatus s;
  calibration_.Describe(&s);
  s.spoiledAt = spoilers_.at;
  s.spoilers = spoilers_.cells;
  return s;
}

void DetectorTuning::Labels(const MaskGrid& grid, const DetectorState& detector, int32_t sensitive,
                            std::vector<CellLabel>* out) const {
  out->clear();
  const size_t cells = grid.HasCells() ? static_cast<size_t>(grid.cellCount()) : 0;
  const bool crosses = open_ && spoilers_.held() && static_cast<size_t>(spoilers_.gridCells) == cells;
  const bool levels = levelsShown() && peaks_.cells() == cells;
  if (cells == 0 || (!crosses && !levels)) return;
  out->resize(cells);
  if (crosses)
    for (int32_t c : spoilers_.cells) (*out)[static_cast<size_t>(c)].cross = true;
  const int64_t threshold = ChangeThreshold(sensitive);
  for (size_t i = 0; i < cells; ++i) {
    CellLabel& l = (*out)[i];
    if (!levels || !grid.watch()[i]) continue;
    if (detector.MutedIn(grid, static_cast<int32_t>(i))) {
      l.kind = CellLabel::Muted;
      continue;
    }
    const uint8_t top = peaks_.top(i);
    l.kind = CellLabel::Number;
    l.value = std::min(top, kMaxShownLevel);
    l.loud = LevelChanges(top, threshold);
  }
}

}  // namespace qlv
