// What an alarm does: host recording commands, the sound and the external task,
// with their stop time. The settings say what to do; what runs is this object's own,
// saved with the settings but never written through them.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "platform/platform.h"
#include "settings/settings.h"

namespace qlv {

constexpr int32_t kLockOutFrames = 25;  // frames after an action start or stop in which no alarm triggers
constexpr int32_t kGuardFrames = 25;    // frames after a recording start or stop in which close keeps the state

// The command line handed to process creation: an unquoted line with blanks
// that names an existing file as a whole is quoted, so that a path with blanks
// cannot start a program named by its first word. Anything else is unchanged.
std::string QuoteCommandLine(Platform& platform, const std::string& commandLine);

// How StopActions ends what runs.
enum class StopKind {
  TimeUp,  // the alarm's duration has passed: a recording with RecordPause is paused, not stopped
  Final,   // everything stops, the action state is cleared and the task handles are closed
};

// What runs: saved as Action, ActionStopTime and the task's two handles.
struct ActionState {
  uint32_t action = 0;    // ActionBits
  uint32_t stopTime = 0;  // tick count after which the actions stop
  ProcessInfo task;
};

class AlarmActions {
 public:
  // `settings`: the working settings, read for what an alarm does.
  AlarmActions(Platform& platform, const SettingsRecord& settings);

  // The state the settings file held, and the state to save with the settings.
  void Restore(const SettingsRecord& saved);
  void SaveInto(SettingsRecord* record) const;
  const ActionState& state() const { return state_; }

  // The host's main window, which receives HostCommand posts.
  void SetHostWindow(WindowHandle w) { hostWindow_ = w; }
  // While it answers true, alarms start nothing. Unset: never open.
  void SetDialogOpenQuery(std::function<bool()> isOpen) { dialogOpen_ = std::move(isOpen); }

  void TriggerActions();
  void StopActions(StopKind kind);
  // Stops what runs once the stop time has passed.
  void StopWhenTimeUp();
  // At close: the recording state is forgotten without posting stops (the host ends its own
  // recordings); a playing sound is stopped and the task handles are closed.
  void StopAtClose();
  void SetStopTime();
  void PlayAlarmSound();
  void StopAlarmSound();
  void RunExternalTask();
  void CloseTaskHandles();

  // Frame counters, counted down by the frame driver.
  int32_t lockOut() const { return lockOut_; }
  int32_t guard() const { return guard_; }
  void ResetCounters() { lockOut_ = 0; guard_ = 0; }
  // One processed frame: each non-zero counter drops by one.
  void CountDownFrame();

  // True when `h` is a task handle this object created and has not closed.
  bool OwnsHandle(uint32_t h) const { return h != 0 && ownHandles_.count(h) != 0; }

 private:
  void Post(uint32_t code);
  bool StartTask(ProcessInfo* pi);
  void StopRecording(uint32_t runningBit, uint32_t stopCode, StopKind kind);
  void TriggerRecording(uint32_t runningBit, uint32_t startCode);

  Platform& platform_;
  const SettingsRecord& s_;
  ActionState state_;
  WindowHandle hostWindow_ = 0;
  std::function<bool()> dialogOpen_;
  int32_t lockOut_ = 0;
  int32_t guard_ = 0;
  // Handles read back from the settings file belong to an earlier process; only
  // these, created here, are ever queried or closed.
  std::set<uint32_t> ownHandles_;
};

}  // namespace qlv
