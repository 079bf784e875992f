#include "detect/sensitivity_sweep.h"

#include <new>

namespace qlv {

uint8_t ChangeLevel(uint32_t oldWord, uint32_t newWord, const DetectorParams& p) {
  const bool enabled[4] = {p.controlB, p.controlG, p.controlR, p.controlY};  // bytes 0..3
  int32_t level = 0;
  for (int c = 0; c < 4; ++c) {
    if (!enabled[c]) continue;
    const int32_t o = (oldWord >> (8 * c)) & 0xFF, n = (newWord >> (8 * c)) & 0xFF;
    if (o == 255) continue;
    const int32_t d = o > n ? o - n : n - o;
    if (d > level) level = d;
  }
  return static_cast<uint8_t>(level);
}

bool SensitivitySweep::Begin(size_t cells) {
  End();
  try {
    records_.resize(kSweepSensitivities);
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
  results_.clear();
  changed_.clear();
  frames_ = 0;
}

void SensitivitySweep::RestartCells() {
  for (CellRecords& r : records_) r.Restart();
}

void SensitivitySweep::RestartCell(size_t i) {
  for (CellRecords& r : records_) r.RestartCell(i);
}

void SensitivitySweep::Frame(const uint8_t* levels, uint32_t compared, const DetectorParams& p) {
  if (records_.empty()) return;
  ++frames_;
  const uint32_t m = FullMask(static_cast<int32_t>(p.frameCounter));
  const size_t cells = changed_.size();
  DetectorParams q = p;
  for (int32_t s = 0; s < kSweepSensitivities; ++s) {
    const int32_t threshold = 16 - s;
    uint32_t changedCount = 0;
    for (size_t i = 0; i < cells; ++i) {
      const uint8_t level = levels[i];
      changed_[i] = level == kNotCompared ? kNotCompared : static_cast<uint8_t>(level > threshold);
      changedCount += changed_[i] == 1;
    }
    q.sensitive = s;
    CellRecords& rec = records_[static_cast<size_t>(s)];
    Result& res = results_[static_cast<size_t>(s)];
    if (ApplyChanges(rec, q, m, compared, changedCount, changed_.data()) == 1) {
      if (res.alarmFrames++ == 0) res.firstAlarmFrame = frames_;
    }
    for (size_t i = 0; i < cells; ++i)
      if (changed_[i] != kNotCompared && !rec.muted[i] && rec.history[i] == m) res.everInAlarm[i] = 1;
  }
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
