// The detector's rule run for every sensitivity at once on the same cell means: which
// sensitivities stay quiet on an empty scene and which catch a walk through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "detect/cell_records.h"
#include "detect/change_memories.h"
#include "detect/detector_state.h"
#include "detect/motion_detector.h"
#include "detect/restart_epochs.h"

namespace qlv {

constexpr int32_t kSweepSensitivities = 17;  // 0 to 16

class SensitivitySweep {
 public:
  struct Result {
    uint32_t alarmFrames = 0;          // frames on which DetectMotion would have returned 1
    uint32_t firstAlarmFrame = 0;      // the first of them, counted from 1; 0 when none
    std::vector<uint8_t> everInAlarm;  // per cell: 1 when it was ever in Alarm
  };

  // A run over `cells` cells, every sensitivity at rest. False when the memory is not there.
  bool Begin(size_t cells);
  void End();
  // True between Begin and End: results are there to read.
  bool hasRun() const { return !results_.empty(); }
  // Restarts what the detector restarted since the last call: to be called after each of
  // its compared frames, before Frame. The first call after Begin only takes the epochs,
  // every record being at rest then.
  void Follow(const DetectorState& detector);
  // What a restart of every cell, or of cell i, does to the detector.
  void RestartCells();
  void RestartCell(size_t i);
  // One compared frame: `levels` holds each cell's ChangeLevel, or kNotCompared. `p` is the
  // frame's detector parameters; its sensitivity is replaced by each one in turn.
  // `means` holds the frame's packed means (the detector's references after it), which the
  // scene memory of each sensitivity compares with its own scene. False when the memories of
  // the intruder options could not be had: the run no longer mirrors the detector.
  bool Frame(const uint8_t* levels, const uint32_t* means, uint32_t compared, const DetectorParams& p);

  uint32_t frames() const { return frames_; }
  const Result& result(int32_t s) const { return results_[static_cast<size_t>(s)]; }

 private:
  std::vector<CellRecords> records_;
  // The intruder options' memories of each sensitivity: the bits feed back into the scenes.
  std::vector<ChangeMemories> memories_;
  std::vector<int32_t> frameLevels_;
  std::vector<Result> results_;
  std::vector<uint8_t> changed_;
  RestartEpochs epochs_;  // of the detector, as last followed
  uint32_t frames_ = 0;
};

// The two runs' verdict. quiet: the highest sensitivity up to which the quiet run raised no
// alarm at any (-1: none, even 0 alarmed). walk: the lowest at which the motion run raised one (-1: none,
// not even 16). proposed: their middle, rounded down, when both exist and walk <= quiet; else -1.
struct SweepVerdict {
  int32_t quiet = -1;
  int32_t walk = -1;
  int32_t proposed = -1;
};
SweepVerdict Judge(const SensitivitySweep& quietRun, const SensitivitySweep& motionRun);

// The cells that spoil a proposal: those in Alarm during the quiet run at sensitivity s.
std::vector<int32_t> CellsInAlarm(const SensitivitySweep& run, int32_t s);

}  // namespace qlv
