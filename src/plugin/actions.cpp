#include "plugin/actions.h"

#include "plugin/host_api.h"

namespace qlv {

std::string QuoteCommandLine(Platform& platform, const std::string& commandLine) {
  if (commandLine.find('"') != std::string::npos) return commandLine;
  if (commandLine.find_first_of(" \t") == std::string::npos) return commandLine;
  if (!platform.FileExists(commandLine)) return commandLine;
  return "\"" + commandLine + "\"";
}

AlarmActions::AlarmActions(Platform& platform, const SettingsRecord& settings) : platform_(platform), s_(settings) {}

void AlarmActions::Restore(const SettingsRecord& saved) {
  state_.action = saved.Action;
  state_.stopTime = saved.ActionStopTime;
  state_.task = saved.ExtTask;
}

void AlarmActions::SaveInto(SettingsRecord* record) const {
  record->Action = state_.action;
  record->ActionStopTime = state_.stopTime;
  record->ExtTask = state_.task;
}

void AlarmActions::StopWhenTimeUp() {
  if (state_.stopTime < platform_.TickCount()) StopActions(StopKind::TimeUp);
}

void AlarmActions::StopAtClose() {
  state_.action &= kActSound;
  StopActions(StopKind::Final);
}

void AlarmActions::Post(uint32_t code) { platform_.PostMessageTo(hostWindow_, kHostCommand, code, 0); }

void AlarmActions::CountDownFrame() {
  if (lockOut_ != 0) --lockOut_;
  if (guard_ != 0) --guard_;
}

void AlarmActions::SetStopTime() {
  state_.stopTime = platform_.TickCount() + static_cast<uint32_t>(s_.Duration) * 1000u;
}

void AlarmActions::TriggerRecording(uint32_t runningBit, uint32_t startCode) {
  SetStopTime();
  if (!(state_.action & runningBit)) {
    guard_ = kGuardFrames;
    state_.action |= runningBit;
    Post(startCode);
  } else if (s_.RecordPause != 0 && (state_.action & kActPaused)) {
    state_.action &= ~static_cast<uint32_t>(kActPaused);
    Post(kCmdResume);
  }
}

void AlarmActions::TriggerActions() {
  if ((dialogOpen_ && dialogOpen_()) || lockOut_ != 0) return;
  lockOut_ = kLockOutFrames;
  if (s_.SoundEnable) {
    SetStopTime();
    state_.action |= kActSound;
    PlayAlarmSound();
  }
  if (s_.ProcessEnable) RunExternalTask();
  if (!s_.RecordEnable) return;
  switch (static_cast<RecordKind>(s_.RecordType)) {
    case RecordKind::Snapshot:
      Post(kCmdSnapshot);
      break;
    case RecordKind::SnapshotSequence:
      SetStopTime();
      if (!(state_.action & kActSequence)) {
        state_.action |= kActSequence;
        Post(kCmdSequenceStart);
      }
      break;
    case RecordKind::Video: TriggerRecording(kActVideo, kCmdRecordStart); break;
    case RecordKind::Kind3: TriggerRecording(kActKind3, kCmdKind3Start); break;
    default: break;  // a value from the file that names no kind: nothing is recorded
  }
}

void AlarmActions::StopRecording(uint32_t runningBit, uint32_t stopCode, StopKind kind) {
  if (!(state_.action & runningBit)) return;
  if (s_.RecordPause != 0 && kind == StopKind::TimeUp) {
    if (!(state_.action & kActPaused)) {
      state_.action |= kActPaused;
      lockOut_ = kLockOutFrames;
      Post(kCmdPause);
    }
  } else {
    guard_ = kGuardFrames;
    state_.action &= ~runningBit;
    Post(stopCode);
  }
}

void AlarmActions::StopActions(StopKind kind) {
  if (state_.action & kActSound) {
    state_.action &= ~static_cast<uint32_t>(kActSound);
    lockOut_ = kLockOutFrames;
    StopAlarmSound();
  }
  if (state_.action & kActSequence) {
    state_.action &= ~static_cast<uint32_t>(kActSequence);
    Post(kCmdSequenceStop);
    lockOut_ = kLockOutFrames;
  }
  StopRecording(kActVideo, kCmdRecordStop, kind);
  StopRecording(kActKind3, kCmdKind3Stop, kind);
  state_.stopTime = 0;
  if (kind == StopKind::Final) {
    state_.action = 0;
    CloseTaskHandles();
  }
}

void AlarmActions::PlayAlarmSound() {
  const uint32_t flags = kSndAsync | kSndNoStop | (s_.SoundRepeatEnable ? kSndLoop : 0u);
  platform_.PlaySoundFile(s_.SoundFileName.c_str(), flags);
}

void AlarmActions::StopAlarmSound() { platform_.PlaySoundFile(nullptr, 0); }

bool AlarmActions::StartTask(ProcessInfo* pi) {
  ProcessInfo started;
  if (!platform_.StartProcess(QuoteCommandLine(platform_, s_.ProcessFileName), &started)) {
    *pi = ProcessInfo();
    return false;
  }
  if (started.hProcess) ownHandles_.insert(started.hProcess);
  if (started.hThread) ownHandles_.insert(started.hThread);
  *pi = started;
  return true;
}

void AlarmActions::RunExternalTask() {
  if (s_.ProcessRepeatEnable) {
    CloseTaskHandles();  // the previous task keeps running
    StartTask(&state_.task);
    CloseTaskHandles();
    return;
  }
  if (state_.task.hProcess != 0 && OwnsHandle(state_.task.hProcess)) {
    uint32_t code = 0;
    // A handle that cannot be asked counts as ended, so that the next alarm can start the task.
    if (!platform_.ProcessExitCode(state_.task.hProcess, &code) || code != kStillActive) CloseTaskHandles();
  } else {
    CloseTaskHandles();  // a stale value from the file: forgotten, never closed
  }
  if (state_.task.hProcess != 0) return;  // still running
  StartTask(&state_.task);
}

void AlarmActions::CloseTaskHandles() {
  if (state_.task.hThread != 0) {
    if (ownHandles_.erase(state_.task.hThread) != 0) platform_.CloseHandleValue(state_.task.hThread);
    state_.task.hThread = 0;
  }
  if (state_.task.hProcess != 0) {
    if (ownHandles_.erase(state_.task.hProcess) != 0) platform_.CloseHandleValue(state_.task.hProcess);
    state_.task.hProcess = 0;
  }
}

}  // namespace qlv
