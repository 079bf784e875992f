// "View lost": the picture as a whole against the view the camera is remembered to have. A
// change of light keeps the picture a straight-line fit of the view; a covered lens loses its
// contrast and a turned camera its shape, and either, lasting, is a second kind of alarm.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixel/kernels.h"

namespace qlv {

enum class ViewEvent : uint8_t {
  None,
  Lost,      // the picture has been unlike the view for long enough: the alarm
  Back,      // like it again for kBackFrames frames in a row
  Relearnt,  // lost for kRelearnFrames: the camera was moved on purpose
};

class ViewWatch {
 public:
  static constexpr uint32_t kBackFrames = 25;
  static constexpr uint32_t kRelearnFrames = 7500;  // 5 minutes at 25 frames a second

  // Nothing remembered, no run, not lost.
  void Restart();

  // One compared frame: `means` holds each cell's packed means (luma in byte 3); a cell whose
  // `compared` entry is kNotCompared does not count. `lostAfter` (> 0) unlike frames in a row lose the view. False (and
  // the view restarted) when the memory is not there.
  ViewEvent Frame(const uint32_t* means, const uint8_t* compared, size_t cells, uint32_t lostAfter);

  // The vector passes the sums and the view's step may use (those of the kernels in use).
  void SetKernelLevel(kernels::KernelLevel level) { level_ = level; }

  bool lost() const { return lost_; }
  uint32_t run() const { return run_; }
  // The last frame's verdict, for the tuning window and tests.
  bool lastLike() const { return lastLike_; }
  const std::vector<int32_t>& view() const { return view_; }

 private:
  bool Like(const uint32_t* means, const uint8_t* compared, size_t cells);
  void Remember(const uint32_t* means, const uint8_t* compared, size_t cells);

  std::vector<int32_t> view_;  // luma × 256 per cell; empty: nothing remembered
  uint32_t run_ = 0;           // unlike frames in a row
  bool lost_ = false;
  uint32_t likeRun_ = 0;       // like frames in a row while lost
  uint32_t lostFrames_ = 0;    // frames since the view was lost
  bool lastLike_ = true;
  kernels::KernelLevel level_ = kernels::KernelLevel::Reference;
  std::vector<uint8_t> rounded_;  // this frame's view as whole levels
};

}  // namespace qlv
