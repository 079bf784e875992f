#include "detect/sensitivity_sweep.h"

#include <new>

namespace qlv {

bool SensitivitySweep::Begin(size_t cells) {
  End();
  try {
    records_.resize(kSweepSensitivities);
    memories_.resize(kSweepSensitivities);
    results_.resize(kSweepSensitivities);
    changed_.assign(cells, kNotCompared);
    for (Result& r : results_) r.everInAlarm.assign(cells, 0);
  } catch (const std::bad_alloc&) {
    End();
    return false;
  }
  for (CellRecords& r : records_)
    if (!r.Allocate(cells)) {
      End();
      return false;
    }
  return true;
}

void SensitivitySweep::End() {
  records_.clear();
  memories_.clear();
  frameLevels_.clear();
  results_.clear();
  changed_.clear();
  epochs_ = RestartEpochs();
  frames_ = 0;
}

void SensitivitySweep::Follow(const DetectorState& detector) {
  if (records_.empty()) return;
  // Copying the epochs allocates only on the first call of a run.
  try {
    CatchUp(epochs_, detector.epochs(), [this] { RestartCells(); }, [this](size_t i) { RestartCell(i); });
  } catch (const std::bad_alloc&) {
    // Not followed: the next call tries again from the records as they are.
  }
}

void SensitivitySweep::RestartCells() {
  for (CellRecords& r : records_) r.Restart();
  for (ChangeMemories& m : memories_) m.Restart();
}

void SensitivitySweep::RestartCell(size_t i) {
  for (CellRecords& r : records_) r.RestartCell(i);
  for (ChangeMemories& m : memories_) m.RestartCell(i);
}

bool SensitivitySweep::Frame(const uint8_t* levels, const uint32_t* means, uint32_t compared, const DetectorParams& p) {
  if (records_.empty()) return true;
  ++frames_;
  const uint32_t m = FullMask(static_cast<int32_t>(p.frameCounter));
  const size_t cells = changed_.size();
  const bool intruder = p.intruderOptions();
  bool enabled[4];
  for (int c = 0; c < 4; ++c) enabled[c] = (p.channels() >> c & 1u) != 0;
  if (intruder) {
    try {
      frameLevels_.resize(cells);
    } catch (const std::bad_alloc&) {
      return false;
    }
    // A level of 0 stands for "no channel counts" too: below no threshold of 0..16 do they differ.
    for (size_t i = 0; i < cells; ++i) frameLevels_[i] = levels[i] == kNotCompared ? kNoLevel : levels[i];
  }
  DetectorParams q = p;
  for (int32_t s = 0; s < kSweepSensitivities; ++s) {
    const int64_t threshold = ChangeThreshold(s);
    uint32_t changedCount = 0;
    ChangeMemories& memories = memories_[static_cast<size_t>(s)];
    if (intruder) {
      if (!memories.Prepare(cells, p.sceneFrames, p.busyMargin)) return false;
      for (size_t i = 0; i < cells; ++i) changed_[i] = levels[i] == kNotCompared ? kNotCompared : 0;
      changedCount = memories.Decide(frameLevels_.data(), means, enabled, threshold, changed_.data(), nullptr);
    } else {
      if (memories.count() != 0) memories.Free();
      for (size_t i = 0; i < cells; ++i) {
        const uint8_t level = levels[i];
        // A level of 0 stands for "no channel counts" too: at s <= 16 neither ever changes.
        changed_[i] = level == kNotCompared ? kNotCompared : static_cast<uint8_t>(LevelChanges(level, threshold));
        changedCount += changed_[i] == 1;
      }
    }
    q.sensitive = s;
    CellRecords& rec = records_[static_cast<size_t>(s)];
    Result& res = results_[static_cast<size_t>(s)];
    bool held = false;
    if (ApplyChanges(rec, q, m, compared, changedCount, changed_.data(), &held) == 1) {
      if (res.alarmFrames++ == 0) res.firstAlarmFrame = frames_;
    }
    if (intruder) memories.AfterFrame(means, changed_.data(), held);
    for (size_t i = 0; i < cells; ++i)
      if (changed_[i] != kNotCompared && CountsInAlarm(rec.muted[i], rec.history[i], m)) res.everInAlarm[i] = 1;
  }
  return true;
}

SweepVerdict Judge(const SensitivitySweep& quietRun, const SensitivitySweep& motionRun) {
  SweepVerdict v;
  if (quietRun.hasRun())
    for (int32_t s = 0; s < kSweepSensitivities && quietRun.result(s).alarmFrames == 0; ++s) v.quiet = s;
  if (motionRun.hasRun())
    for (int32_t s = 0; s < kSweepSensitivities; ++s)
      if (motionRun.result(s).alarmFrames > 0) {
        v.walk = s;
        break;
      }
  if (v.quiet >= 0 && v.walk >= 0 && v.walk <= v.quiet) v.proposed = (v.walk + v.quiet) / 2;
  return v;
}

std::vector<int32_t> CellsInAlarm(const SensitivitySweep& run, int32_t s) {
  std::vector<int32_t> cells;
  if (!run.hasRun() || s < 0 || s >= kSweepSensitivities) return cells;
  const std::vector<uint8_t>& ever = run.result(s).everInAlarm;
  for (size_t i = 0; i < ever.size(); ++i)
    if (ever[i]) cells.push_back(static_cast<int32_t>(i));
  return cells;
}

}  // namespace qlv
