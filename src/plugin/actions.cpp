#include "plugin/actions.h"

#include "plugin/host_api.h"

namespace qlv {

std::string QuoteCommandLine(Platform& platform, const std::string& commandLine) {
  if (commandLine.find('"') != std::string::npos) return commandLine;
  if (commandLine.find_first_of(" \t") == std::string::npos) return commandLine;
  if (!platform.FileExists(commandLine)) return commandLine;
  return "\"" + commandLine + "\"";
}

AlarmActions::AlarmActions(Platform& platform, SettingsRecord& working) : platform_(platform), s_(working) {}

void AlarmActions::Post(uint32_t code) { platform_.PostMessageTo(hostWindow_, kHostCommand, code, 0); }

void AlarmActions::CountDownFrame() {
  if (lockOut_ != 0) --lockOut_;
  if (guard_ != 0) --guard_;
}

void AlarmActions::SetStopTime() {
  s_.ActionStopTime = platform_.TickCount() + static_cast<uint32_t>(s_.Duration) * 1000u;
}

void AlarmActions::TriggerRecording(uint32_t runningBit, uint32_t startCode) {
  SetStopTime();
  if (!(s_.Action & runningBit)) {
    guard_ = kGuardFrames;
    s_.Action |= runningBit;
    Post(startCode);
  } else if (s_.RecordPause != 0 && (s_.Action & kActPaused)) {
    s_.Action &= ~static_cast<uint32_t>(kActPaused);
    Post(kCmdResume);
  }
}

void AlarmActions::TriggerActions() {
  if ((dialogOpen_ && dialogOpen_()) || lockOut_ != 0) return;
  lockOut_ = kLockOutFrames;
  if (s_.SoundEnable) {
    SetStopTime();
    s_.Action |= kActSound;
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
      if (!(s_.Action & kActSequence)) {
        s_.Action |= kActSequence;
        Post(kCmdSequenceStart);
      }
      break;
    case RecordKind::Video: TriggerRecording(kActVideo, kCmdRecordStart); break;
    case RecordKind::Kind3: TriggerRecording(kActKind3, kCmdKind3Start); break;
    default: break;  // a value from the file that names no kind: nothing is recorded
  }
}

void AlarmActions::StopRecording(uint32_t runningBit, uint32_t stopCode, StopKind kind) {
  if (!(s_.Action & runningBit)) return;
  if (s_.RecordPause != 0 && kind == StopKind::TimeUp) {
    if (!(s_.Action & kActPaused)) {
      s_.Action |= kActPaused;
      lockOut_ = kLockOutFrames;
      Post(kCmdPause);
    }
  } else {
    guard_ = kGuardFrames;
    s_.Action &= ~runningBit;
    Post(stopCode);
  }
}

void AlarmActions::StopActions(StopKind kind) {
  if (s_.Action & kActSound) {
    s_.Action &= ~static_cast<uint32_t>(kActSound);
    lockOut_ = kLockOutFrames;
    StopAlarmSound();
  }
  if (s_.Action & kActSequence) {
    s_.Action &= ~static_cast<uint32_t>(kActSequence);
    Post(kCmdSequenceStop);
    lockOut_ = kLockOutFrames;
  }
  StopRecording(kActVideo, kCmdRecordStop, kind);
  StopRecording(kActKind3, kCmdKind3Stop, kind);
  s_.ActionStopTime = 0;
  if (kind == StopKind::Final) {
    s_.Action = 0;
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
    StartTask(&s_.ExtTask);
    CloseTaskHandles();
    return;
  }
  if (s_.ExtTask.hProcess != 0 && OwnsHandle(s_.ExtTask.hProcess)) {
    uint32_t code = 0;
    // A handle that cannot be asked counts as ended, so that the next alarm can start the task.
    if (!platform_.ProcessExitCode(s_.ExtTask.hProcess, &code) || code != kStillActive) CloseTaskHandles();
  } else {
    CloseTaskHandles();  // a stale value from the file: forgotten, never closed
  }
  if (s_.ExtTask.hProcess != 0) return;  // still running
  StartTask(&s_.ExtTask);
}

void AlarmActions::CloseTaskHandles() {
  if (s_.ExtTask.hThread != 0) {
    if (ownHandles_.erase(s_.ExtTask.hThread) != 0) platform_.CloseHandleValue(s_.ExtTask.hThread);
    s_.ExtTask.hThread = 0;
  }
  if (s_.ExtTask.hProcess != 0) {
    if (ownHandles_.erase(s_.ExtTask.hProcess) != 0) platform_.CloseHandleValue(s_.ExtTask.hProcess);
    s_.ExtTask.hProcess = 0;
  }
}

}  // namespace qlv
