// What the detector tuning window asks of the plug-in, and nothing more: each call is one
// of the plug-in's commands, which takes the frame lock itself.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/plugin.h"

namespace qlv {

class TuningCommands {
 public:
  explicit TuningCommands(Plugin& plugin) : plugin_(plugin) {}

  // The window opened (its link hears of every change from now on), with the levels off;
  // or it closed, and the results go with it.
  void Open(TuningLink* link) {
    plugin_.OpenTuning(link);
    plugin_.ShowChangeLevels(false);
  }
  void Close() { plugin_.CloseTuning(); }

  void ShowLevels(bool on) { plugin_.ShowChangeLevels(on); }
  void Learn(CalibrationKind kind, uint32_t seconds) { plugin_.StartCalibration(kind, seconds); }
  void Cancel() { plugin_.CancelCalibration(); }
  // The status and the mask it is read against, as they were at one moment.
  TuningView Snapshot() { return plugin_.TuningSnapshot(); }
  // False when there is no proposal.
  bool ApplyProposal() { return plugin_.ApplyProposedSensitivity(); }
  void Unwatch(const std::vector<int32_t>& cells) { plugin_.UnwatchCells(cells); }

 private:
  Plugin& plugin_;
};

}  // namespace qlv
