#include "plugin/detector_tuning.h"

#include <algorithm>
#include <new>
#include <utility>

namespace qlv {

void DetectorTuning::Open(TuningLink* link) {
  open_ = true;
  link_ = link;
}

void DetectorTuning::Close() {
  if (running_) Cancel(RunEnd::WindowClosed);
  open_ = false;
  link_ = nullptr;
  ShowLevels(false);
  quiet_.End();
  motion_.End();
  verdict_ = SweepVerdict();
  spoiledAt_ = -1;
  spoilers_.clear();
  spoilerMask_.clear();
  lastEnd_ = RunEnd::None;
}

void DetectorTuning::ShowLevels(bool on) {
  levels_ = on && open_;
  // Every showing starts from what it sees itself.
  levelRing_.clear();
  levelTop_.clear();
  levelCells_ = 0;
  levelSlot_ = 0;
}

bool DetectorTuning::Start(CalibrationKind kind, uint32_t seconds, uint32_t nowMs, int32_t cells) {
  if (!open_ || cells <= 0) return false;
  if (running_) Cancel(RunEnd::Cancelled);
  seconds = std::min(std::max(seconds, kMinRunSeconds), kMaxRunSeconds);
  if (!run_.Begin(static_cast<size_t>(cells))) {
    lastEnd_ = RunEnd::NoMemory;
    Notify();
    return false;
  }
  running_ = true;
  kind_ = kind;
  startMs_ = nowMs;
  lengthMs_ = seconds * 1000u;
  percent_ = 0;
  cells_ = cells;
  lastEnd_ = RunEnd::None;
  Notify();
  return true;
}

void DetectorTuning::Cancel(RunEnd why) {
  if (!running_) return;
  running_ = false;
  run_.End();
  lastEnd_ = why;
  Notify();
}

void DetectorTuning::FollowGridSize(int32_t cells) {
  if (spoilerMask_.empty() || static_cast<int32_t>(spoilerMask_.size()) == cells) return;
  spoilers_.clear();
  spoilerMask_.clear();
  spoiledAt_ = -1;
  Notify();
}

void DetectorTuning::AfterDetection(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs) {
  if (!detector.frameCompared()) return;
  const std::vector<uint8_t>& levels = detector.levels();
  if (levelsShown()) {
    if (levelCells_ != levels.size()) {
      levelCells_ = levels.size();
      levelRing_.assign(levelCells_ * kLevelFrames, 0);
      levelTop_.assign(levelCells_, 0);
      levelSlot_ = 0;
    }
    for (size_t i = 0; i < levelCells_; ++i) {
      uint8_t* ring = &levelRing_[i * kLevelFrames];
      const uint8_t in = levels[i] == kNotCompared ? 0 : levels[i];
      const uint8_t out = ring[levelSlot_];
      ring[levelSlot_] = in;
      // Searched again only when the largest one leaves.
      if (in >= levelTop_[i])
        levelTop_[i] = in;
      else if (out == levelTop_[i])
        levelTop_[i] = *std::max_element(ring, ring + kLevelFrames);
    }
    levelSlot_ = levelSlot_ + 1 == kLevelFrames ? 0 : levelSlot_ + 1;
  }
  if (!running_) return;
  if (levels.size() != static_cast<size_t>(cells_)) {
    Cancel(RunEnd::MaskChanged);
    return;
  }
  run_.Follow(detector.state());
  run_.Frame(levels.data(), detector.compared(), p);
  // Unsigned: a tick count that wrapped since the start still gives the time gone by.
  const uint32_t elapsed = nowMs - startMs_;
  if (elapsed >= lengthMs_) {
    Finish(p.sensitive);
    return;
  }
  const int32_t percent = static_cast<int32_t>(static_cast<uint64_t>(elapsed) * 100 / lengthMs_);
  if (percent != percent_) {
    percent_ = percent;
    Notify();
  }
}

void DetectorTuning::Finish(int32_t sensitive) {
  running_ = false;
  percent_ = 100;
  lastEnd_ = RunEnd::Finished;
  (kind_ == CalibrationKind::Quiet ? quiet_ : motion_) = std::move(run_);
  run_.End();
  verdict_ = Judge(quiet_, motion_);
  spoiledAt_ = -1;
  spoilers_.clear();
  spoilerMask_.clear();
  if (verdict_.proposed < 0 && quiet_.hasRun() && motion_.hasRun()) {
    spoiledAt_ = verdict_.walk >= 0 ? verdict_.walk : std::min(std::max(sensitive, 0), kSweepSensitivities - 1);
    spoilers_ = CellsInAlarm(quiet_, spoiledAt_);
    spoilerMask_.assign(static_cast<size_t>(cells_), 0);
    for (int32_t c : spoilers_) spoilerMask_[static_cast<size_t>(c)] = 1;
  }
  Notify();
}

TuningStatus DetectorTuning::Status() const {
  TuningStatus s;
  s.running = running_;
  s.kind = kind_;
  s.percent = running_ ? percent_ : 0;
  s.lastEnd = lastEnd_;
  s.haveQuiet = quiet_.hasRun();
  s.haveMotion = motion_.hasRun();
  s.verdict = verdict_;
  s.spoiledAt = spoiledAt_;
  s.spoilers = spoilers_;
  return s;
}

void DetectorTuning::Labels(const MaskGrid& grid, const DetectorState& detector, int32_t sensitive,
                            std::vector<CellLabel>* out) const {
  out->clear();
  const size_t cells = grid.HasCells() ? static_cast<size_t>(grid.cellCount()) : 0;
  const bool crosses = open_ && spoilerMask_.size() == cells;
  const bool levels = levelsShown() && levelCells_ == cells;
  if (cells == 0 || (!crosses && !levels)) return;
  out->resize(cells);
  const int64_t threshold = ChangeThreshold(sensitive);
  for (size_t i = 0; i < cells; ++i) {
    CellLabel& l = (*out)[i];
    l.cross = crosses && spoilerMask_[i] != 0;
    if (!levels || !grid.watch()[i]) continue;
    if (detector.MutedIn(grid, static_cast<int32_t>(i))) {
      l.kind = CellLabel::Muted;
      continue;
    }
    const uint8_t top = levelTop_[i];
    l.kind = CellLabel::Number;
    l.value = std::min(top, kMaxShownLevel);
    l.loud = LevelChanges(top, threshold);
  }
}

}  // namespace qlv
