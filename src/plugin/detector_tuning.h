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
  bool wantsLevels() const { return levelsShown() || running_; }
  // After a DetectMotion on the controlled channel: feeds the run and the levels. The run
  // first restarts what the detector restarted (its epochs), so no mask edit need tell it.
  void AfterDetection(const MotionDetector& detector, const DetectorParams& p, uint32_t nowMs);
  bool running() const { return running_; }
  // A grid of another number of cells: the spoiling cells of the last verdict name cells of
  // the old one, so they are forgotten.
  void FollowGridSize(int32_t cells);

  TuningStatus Status() const;
  // The labels of every cell for this frame; empty when nothing is to be drawn. A cell the
  // detector holds muted is labelled so.
  void Labels(const MaskGrid& grid, const DetectorState& detector, int32_t sensitive,
              std::vector<CellLabel>* out) const;

 private:
  void Finish(int32_t sensitive);
  void Notify() {
    if (link_) link_->PostTuningUpdate();
  }

  bool open_ = false;
  TuningLink* link_ = nullptr;
  bool levels_ = false;
  std::vector<uint8_t> levelRing_;  // kLevelFrames per cell
  std::vector<uint8_t> levelTop_;   // the largest in each cell's ring
  int32_t levelSlot_ = 0;
  size_t levelCells_ = 0;

  bool running_ = false;
  CalibrationKind kind_ = CalibrationKind::Quiet;
  uint32_t startMs_ = 0, lengthMs_ = 0;
  int32_t percent_ = 0;
  int32_t cells_ = 0;
  RunEnd lastEnd_ = RunEnd::None;
  SensitivitySweep run_;
  SensitivitySweep quiet_, motion_;  // the last finished run of each kind
  SweepVerdict verdict_;
  int32_t spoiledAt_ = -1;
  std::vector<int32_t> spoilers_;
  std::vector<uint8_t> spoilerMask_;
};

}  // namespace qlv
