// Frame-to-frame motion detection over the watched cells of the mask grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "detect/cell_state.h"
#include "detect/change_rule.h"
#include "detect/detector_state.h"
#include "detect/mask_grid.h"
#include "pixel/frame_canvas.h"
#include "settings/settings.h"

namespace qlv {

// Packed truncated means (B in byte 0, G, R, Y in byte 3) of the sample pixels in r;
// `sample` is width x height, bottom row first. r must be non-empty and inside.
uint32_t CellAverage(const uint32_t* sample, int32_t width, int32_t height, const CellRect& r);
// Sets `cellChanged` to 1 when byte `byteIndex` of the packed means changes by the rule
// (change_rule.h) at `sensitive`; never clears it, so that one call per enabled channel
// leaves 1 when any of them moved.
inline void ChannelChanged(uint32_t oldWord, uint32_t newWord, int byteIndex, int32_t sensitive, int& cellChanged) {
  if (LevelChanges(CellLevel(oldWord, newWord, 1u << byteIndex), ChangeThreshold(sensitive))) cellChanged = 1;
}

// What one frame's detection reads of the settings, copied by the frame driver under its
// lock; a record converts to it.
struct DetectorParams {
 private:
  // The guards' defaults are the settings record's, one source for both.
  static const SettingsRecord& Defaults();

 public:
  DetectorParams() = default;
  DetectorParams(const SettingsRecord& s)  // NOLINT: implicit, so a record can be passed
      : frameCounter(s.FrameCounter), sensitive(s.Sensitive),
        controlY(s.ControlY != 0), controlR(s.ControlR != 0), controlG(s.ControlG != 0), controlB(s.ControlB != 0),
        lightChangePercent(s.LightChangePercent), lightChangeFrames(s.LightChangeFrames),
        muteBusyPercent(s.MuteBusyPercent), minAlarmCells(s.MinAlarmCells),
        sceneFrames(FramesOf(s.SceneSeconds)), viewLostFrames(FramesOf(s.ViewLostSeconds)), busyMargin(s.BusyMargin) {}
  uint32_t frameCounter = 0;
  int32_t sensitive = 0;
  bool controlY = false, controlR = false, controlG = false, controlB = false;
  // The false-alarm guards; at their defaults detection is as it is without them.
  uint32_t lightChangePercent = Defaults().LightChangePercent;
  uint32_t lightChangeFrames = Defaults().LightChangeFrames;
  uint32_t muteBusyPercent = Defaults().MuteBusyPercent;
  uint32_t minAlarmCells = Defaults().MinAlarmCells;
  // The intruder options in frames (25 to a second, as the plug-in counts all its time); 0: off.
  uint32_t sceneFrames = FramesOf(Defaults().SceneSeconds);
  uint32_t viewLostFrames = FramesOf(Defaults().ViewLostSeconds);
  uint32_t busyMargin = Defaults().BusyMargin;

  static constexpr uint32_t FramesOf(uint32_t seconds) { return 25 * seconds; }
  bool intruderOptions() const { return sceneFrames > 0 || busyMargin > 0; }

  // The enabled channels as ChannelBits.
  uint32_t channels() const { return ChannelBits(controlY, controlR, controlG, controlB); }
};

// The largest change of the enabled channels' means, |old - new|, leaving out channels whose
// old mean is 255 as the detector does; 0 when no channel counts. At sensitivities 0..16 a
// cell changes exactly when this exceeds ChangeThreshold.
uint8_t ChangeLevel(uint32_t oldWord, uint32_t newWord, const DetectorParams& p);

// The rest of one frame's detection once every cell's comparison is made: `changed` holds
// each cell's bit (or kNotCompared), `compared` and `changedCount` their numbers. Decides a
// light change, enters the bits into the busy records, mutes and unmutes, and shifts the
// histories unless the frame is held (`held`, when given, says whether it was). Returns what
// DetectMotion returns. The detector and every sensitivity of the sweep run this same function.
int ApplyChanges(CellRecords& records, const DetectorParams& p, uint32_t fullMask, uint32_t compared,
                 uint32_t changedCount, const uint8_t* changed, bool* held = nullptr);

class MotionDetector {  // owns the sample buffer
 public:
  MotionDetector();
  ~MotionDetector();
  MotionDetector(const MotionDetector&) = delete;
  MotionDetector& operator=(const MotionDetector&) = delete;

  // At stream start; false: detection disabled for this stream (size absurd or the buffer
  // could not be allocated).
  bool ResizeSamples(int32_t width, int32_t height);
  // 1 when at least minAlarmCells watched, unmuted cells are in Alarm after this frame,
  // and the frame is not held for a light change. The state first catches up with the
  // grid's restarts (DetectorState::Follow).
  // Does nothing and returns 0 while detection is disabled or the canvas size differs
  // from the sample buffer's.
  int DetectMotion(const uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, const DetectorParams& p);

  // While on, each frame leaves every cell's ChangeLevel in levels() (kNotCompared for the
  // cells not compared), for the sensitivity sweep, and in shownLevels() what the tuning
  // window shows: with the scene memory on, the larger of that and the scene distance.
  void KeepLevels(bool on) { keepLevels_ = on; }
  const std::vector<uint8_t>& levels() const { return levels_; }
  const std::vector<uint8_t>& shownLevels() const { return sceneShown_ ? shownLevels_ : levels_; }
  // Watched cells of nonzero area compared by the last DetectMotion that got to the comparisons;
  // frameCompared(): whether the last call got that far.
  uint32_t compared() const { return compared_; }
  bool frameCompared() const { return frameCompared_; }

  // What the detector remembers of the cells; it follows the grid at every compared frame.
  const DetectorState& state() const { return state_; }
  DetectorState& state() { return state_; }

  // The view watch (ViewLostSeconds): whether the last compared frame watched the view, whether
  // the view is lost now, and what that frame did to it.
  bool viewWatched() const { return viewWatched_; }
  bool viewLost() const { return viewWatched_ && state_.view().lost(); }
  ViewEvent viewEvent() const { return viewEvent_; }

  bool enabled() const { return samples_ != nullptr; }
  const uint32_t* samples() const { return samples_; }
  int32_t sampleWidth() const { return sampleWidth_; }
  int32_t sampleHeight() const { return sampleHeight_; }

  // The reference level converts the whole frame into the sample buffer and averages each
  // cell from it, the plain way. The SIMD levels fuse conversion and cell sums per band
  // of cells and skip unwatched bands (same means, same words; the sample buffer is then
  // not written). Default: ActiveKernels(), the CPU's best unless the environment caps it.
  void SetKernelLevel(kernels::KernelLevel level);

 private:
  void FreeSamples();
  void BandMeans(const uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, int32_t row);
  void ComputeEdges(int32_t columns, int32_t rows);
  void WatchView(const DetectorParams& p);

  DetectorState state_;
  uint32_t* samples_ = nullptr;
  int32_t sampleWidth_ = 0;
  int32_t sampleHeight_ = 0;
  std::vector<int32_t> edgesX_;        // cell edges of this frame: column j spans edgesX_[j] .. edgesX_[j + 1]
  std::vector<int32_t> edgesY_;
  std::vector<uint16_t> acc_;          // 16-bit column sums of one band, 4 per pixel
  std::vector<uint64_t> bandSums_;     // 4 sums per cell of the current band
  std::vector<uint32_t> bandMeans_;    // packed means per cell of the current band
  std::vector<uint8_t> changed_;       // this frame's bit per cell; kNotCompared where none was made
  std::vector<uint8_t> levels_;        // this frame's ChangeLevel per cell while keepLevels_
  std::vector<uint8_t> shownLevels_;   // with the scene distance, while keepLevels_ and the scene memory is on
  std::vector<int32_t> frameLevels_;   // this frame's CellLevel per cell, while an intruder option is on
  bool sceneShown_ = false;
  bool viewWatched_ = false;
  ViewEvent viewEvent_ = ViewEvent::None;
  bool keepLevels_ = false;
  bool frameCompared_ = false;
  uint32_t compared_ = 0;
  const kernels::KernelSet* kernels_;
};

}  // namespace qlv
