#include "recorder.h"

#include <cstdio>
#include <cstring>

#include "plugin/host_commands.h"
#include "platform/mutex.h"

namespace hostsim {

namespace {

std::string Numbered(const char* prefix, int32_t n, const char* ext) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s_%03d%s", prefix, static_cast<int>(n), ext);
  return buf;
}

}  // namespace

Recorder::Recorder(const RecorderConfig& config) : config_(config) {
  video_.kind = "video";
  kind3_.kind = "kind3";
}

Recorder::~Recorder() { Finish(); }

bool Recorder::Start(Recording& r) {
  if (r.state == RecState::Running) return false;
  r.state = RecState::Running;  // the segment opens with the next frame
  return true;
}

bool Recorder::Stop(Recording& r) {
  if (r.state == RecState::Idle) return false;
  CloseSegment(r);
  r.state = RecState::Idle;
  return true;
}

void Recorder::CloseSegment(Recording& r) {
  if (!r.writer.IsOpen()) return;
  if (!r.writer.Close()) ++writeErrors_;
  r.fileIndex = -1;
}

bool Recorder::OnCommand(uint32_t code, int64_t frameIndex) {
  qlv::MutexLock guard(lock_);
  switch (code) {
    case qlv::kCmdSnapshot:
      ++pendingSnapshots_;
      return true;
    case qlv::kCmdSequenceStart:
      if (sequenceRunning_) return false;
      sequenceRunning_ = true;
      ++sequences_;
      sequenceShots_ = 0;
      sequenceStart_ = -1;
      return true;
    case qlv::kCmdSequenceStop:
      if (!sequenceRunning_) return false;
      sequenceRunning_ = false;
      return true;
    case qlv::kCmdRecordStart:
      return Start(video_);
    case qlv::kCmdRecordStop:
      return Stop(video_);
    case qlv::kCmdKind3Start:
      return Start(kind3_);
    case qlv::kCmdKind3Stop:
      return Stop(kind3_);
    case qlv::kCmdPause: {
      bool changed = false;
      for (Recording* r : {&video_, &kind3_}) {
        if (r->state != RecState::Running) continue;
        CloseSegment(*r);
        r->state = RecState::Paused;
        changed = true;
      }
      return changed;
    }
    case qlv::kCmdResume: {
      bool changed = false;
      for (Recording* r : {&video_, &kind3_}) {
        if (r->state != RecState::Paused) continue;
        r->state = RecState::Running;
        changed = true;
      }
      return changed;
    }
    default:
      return false;
  }
}

void Recorder::TakeSnapshot(const char* kind, const std::string& name, int64_t frameIndex, const uint8_t* frame) {
  RecordedFile f;
  f.kind = kind;
  f.file = name;
  f.firstFrame = f.lastFrame = frameIndex;
  f.frames = 1;
  if (WriteBmp(config_.outDir + name, config_.layout, frame))
    files_.push_back(f);
  else
    ++writeErrors_;
}

void Recorder::FeedRecording(Recording& r, int64_t frameIndex, const uint8_t* frame) {
  if (r.state != RecState::Running) return;
  if (r.writer.IsOpen() && r.writer.BytesWithNextFrame() > kAviSegmentLimit) CloseSegment(r);
  if (!r.writer.IsOpen()) {
    std::string name = Numbered(r.kind, ++r.segments, ".avi");
    if (!r.writer.Open(config_.outDir + name, config_.layout, config_.fpsNum, config_.fpsDen)) {
      ++writeErrors_;
      return;
    }
    RecordedFile f;
    f.kind = r.kind;
    f.file = name;
    f.firstFrame = frameIndex;
    files_.push_back(f);
    r.fileIndex = static_cast<int32_t>(files_.size() - 1);
  }
  if (!r.writer.AddFrame(frame)) ++writeErrors_;
  RecordedFile& f = files_[r.fileIndex];
  f.lastFrame = frameIndex;
  f.frames = r.writer.frames();
}

void Recorder::OnFrame(int64_t frameIndex, const uint8_t* frame) {
  qlv::MutexLock guard(lock_);
  for (; pendingSnapshots_ > 0; --pendingSnapshots_)
    TakeSnapshot("snapshot", Numbered("snapshot", ++snapshots_, ".bmp"), frameIndex, frame);
  if (sequenceRunning_) {
    if (sequenceStart_ < 0) sequenceStart_ = frameIndex;
    const int32_t every = config_.sequenceEvery > 0 ? config_.sequenceEvery : 1;
    if ((frameIndex - sequenceStart_) % every == 0) {
      char prefix[32];
      std::snprintf(prefix, sizeof prefix, "sequence_%03d", static_cast<int>(sequences_));
      TakeSnapshot("sequence", Numbered(prefix, ++sequenceShots_, ".bmp"), frameIndex, frame);
    }
  }
  FeedRecording(video_, frameIndex, frame);
  FeedRecording(kind3_, frameIndex, frame);
  lastFrame_.assign(frame, frame + config_.layout.FrameBytes());
  lastFrameIndex_ = frameIndex;
}

void Recorder::Finish() {
  qlv::MutexLock guard(lock_);
  if (!lastFrame_.empty()) {
    for (; pendingSnapshots_ > 0; --pendingSnapshots_)
      TakeSnapshot("snapshot", Numbered("snapshot", ++snapshots_, ".bmp"), lastFrameIndex_, lastFrame_.data());
  }
  pendingSnapshots_ = 0;
  CloseSegment(video_);
  CloseSegment(kind3_);
}

std::vector<RecordedFile> Recorder::files() const {
  qlv::MutexLock guard(lock_);
  return files_;
}

bool Recorder::WriteIndex(const std::string& path) const {
  qlv::MutexLock guard(lock_);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fputs("kind,file,first_frame,last_frame,frames\n", f);
  for (const RecordedFile& r : files_)
    std::fprintf(f, "%s,%s,%lld,%lld,%u\n", r.kind.c_str(), r.file.c_str(), static_cast<long long>(r.firstFrame),
                 static_cast<long long>(r.lastFrame), static_cast<unsigned>(r.frames));
  return std::fclose(f) == 0;
}

uint32_t Recorder::writeErrors() const {
  qlv::MutexLock guard(lock_);
  return writeErrors_;
}

Recorder::RecState Recorder::videoState() const {
  qlv::MutexLock guard(lock_);
  return video_.state;
}
Recorder::RecState Recorder::kind3State() const {
  qlv::MutexLock guard(lock_);
  return kind3_.state;
}
bool Recorder::sequenceRunning() const {
  qlv::MutexLock guard(lock_);
  return sequenceRunning_;
}

}  // namespace hostsim
