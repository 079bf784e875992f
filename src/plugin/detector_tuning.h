// What the "Detector tuning" window asks of the frame driver: the live change levels of the
// cells, and the two calibration runs that sweep the detector's rule over every sensitivity.
// Lives under the frame lock; the window reads copies (TuningStatus) and is told of changes
// through a TuningLink that only posts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "detect/sensitivity_sweep.h"
#include "overlay/level_labels.h"

namespace qlv {

enum class CalibrationKind : uint8_t { Quiet, Motion };

// Why the last run ended.
enum class RunEnd : uint8_t {
  None,            // no run yet, or one is going on
  Finished,
  ChannelChanged,
  StreamStarted,
  WindowClosed,
  Cancelled,       // by the user
  MaskChanged,     // the grid got another number of cells
  NoMemory,
};

constexpr uint32_t kMinRunSeconds = 5;
constexpr uint32_t kMaxRunSeconds = 120;
constexpr uint32_t kDefaultRunSeconds = 20;
constexpr int32_t kLevelFrames = 50;  // frames over which a cell's largest change is shown
constexpr uint8_t kMaxShownLevel = 99;

// The window's copy of the state.
struct TuningStatus {
  bool running = false;
  CalibrationKind kind = CalibrationKind::Quiet;  // of the run going on, or of the last one
  int32_t percent = 0;                            // of the run going on
  RunEnd lastEnd = RunEnd::None;
  bool haveQuiet = false, haveMotion = false;     // results of a finished run of each kind
  SweepVerdict verdict;                           // from the results there are
  // When no sensitivity separates the runs: the sensitivity the spoiling cells were taken at
  // (-1: none), and those cells, as indexes into the grid.
  int32_t spoiledAt = -1;
  std::vector<int32_t> spoilers;
};

class TuningLink {
 public:
  virtual ~TuningLink() = default;
  // Something in TuningStatus changed; called under the frame lock, on the frame thread or in
  // one of the plug-in's commands, so it must only post.
  virtual void PostTuningUpdate() = 0;
};

// The largest change level of each cell over its last kLevelFrames compared frames.
class LevelPeaks {
 public:
  // Every showing starts from what it sees itself.
  void Reset();
  void Feed(const std::vector<uint8_t>& levels);
  size_t cells() const { return cells_; }
  uint8_t top(size_t cell) const { return top_[cell]; }

 private:
  std::vector<uint8_t> ring_;  // kLevelFrames per cell
  std::vector<uint8_t> top_;   // the largest in each cell's ring
  int32_t slot_ = 0;
  size_t cells_ = 0;
};

// The cells that spoil a proposal, held once, with the size of the grid they name cells of.
struct SpoilingCells {
  int32_t at = -1;        // the sensitivity they were taken at (-1: none)
  int32_t gridCells = 0;  // 0: nothing held
  std::vector<int32_t> cells;
  bool held() const { return gridCells > 0; }
};

// The quiet and motion runs: each frame swept over every sensitivity, then judged against
// the last finished run of the other kind.
class Calibration {
 public:
  // What a frame did to the run going on.
  enum class Step : uint8_t { Nothing, Progress, Finished, Stopped };  // Stopped: cancelled by the frame itself

  // False when the memory is not there (the end: NoMemory). No run may be going on.
  bool Start(CalibrationKind kind, uint32_t seconds, uint32_t nowMs, int32_t cells);
  // False when no run was going on.
  bool Cancel(RunEnd why);
  Step Feed(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs);
  // The results and the last end forgotten.
  void Forget();

  bool running() const { return running_; }
  // When no sensitivity separates the two runs: the quiet run's cells in Alarm at the walk's
  // sensitivity, or else at `sensitive`.
  SpoilingCells Spoilers(int32_t sensitive) const;
  // Every field of the status but the spoiling cells.
  void Describe(TuningStatus* s) const;
  int32_t proposed() const { return verdict_.proposed; }

 private:
  void Finish();

  bool running_ = false;
  CalibrationKind kind_ = CalibrationKind::Quiet;
  uint32_t startMs_ = 0, lengthMs_ = 0;
  int32_t percent_ = 0;
  int32_t cells_ = 0;
  RunEnd lastEnd_ = RunEnd::None;
  SensitivitySweep run_;
  SensitivitySweep quiet_, motion_;  // the last finished run of each kind
  SweepVerdict verdict_;
};

// The window's three jobs under one name: the level peaks, the calibration and the cells
// that spoil its proposal, with the link that hears of every change.
class DetectorTuning {
 public:
  // The window opened (link may be null) or closed. Closing cancels a run, turns the levels off
  // and forgets every result.
  void Open(TuningLink* link);
  void Close();
  bool open() const { return open_; }

  void ShowLevels(bool on);
  bool levelsShown() const { return open_ && levels_; }

  // False when the window is closed or the memory is not there. A run already going on is
  // replaced (its end: Cancelled).
  bool Start(CalibrationKind kind, uint32_t seconds, uint32_t nowMs, int32_t cells);
  void Cancel(RunEnd why);

  // Whether the detector must keep each cell's change level this frame.
  bool wantsLevels() const { return levelsShown() || calibration_.running(); }
  // After a DetectMotion on the controlled channel: feeds the run and the levels.
  void AfterDetection(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs);
  bool running() const { return calibration_.running(); }
  // A grid of another number of cells: the spoiling cells of the last verdict name cells of
  // the old one, so they are forgotten.
  void FollowGridSize(int32_t cells);

  TuningStatus Status() const;
  // The verdict's proposal (-1: none).
  int32_t proposed() const { return calibration_.proposed(); }
  // The labels of every cell for this frame; empty when nothing is to be drawn.
  // A cell the detector holds muted is labelled so.
  void Labels(const MaskGrid& grid, const DetectorState& detector, int32_t sensitive,
              std::vector<CellLabel>* out) const;

 private:
  void Notify() {
    if (link_) link_->PostTuningUpdate();
  }

  bool open_ = false;
  TuningLink* link_ = nullptr;
  bool levels_ = false;
  bool viewWatched_ = false;  // as the window was last told
  LevelPeaks peaks_;
  Calibration calibration_;
  SpoilingCells spoilers_;
};

}  // namespace qlv
