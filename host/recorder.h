// Obeys the host's recording commands by really recording: BMP snapshots, snapshot
// sequences and AVI segments (one file per start or resume). Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media_files.h"
#include "platform/mutex.h"

namespace hostsim {

struct RecorderConfig {
  std::string outDir;  // ends in a path separator, or empty for the current folder
  FrameLayout layout;
  uint32_t fpsNum = 25;  // nominal rate written into the segments
  uint32_t fpsDen = 1;
  int32_t sequenceEvery = 25;  // a sequence takes one snapshot per this many frames
};

// One file the recorder wrote. Frames are host frame indices, inclusive.
struct RecordedFile {
  std::string kind;  // "snapshot", "sequence", "video", "kind3"
  std::string file;  // name inside outDir
  int64_t firstFrame = -1;
  int64_t lastFrame = -1;
  uint32_t frames = 0;
};

class Recorder {
 public:
  explicit Recorder(const RecorderConfig& config);
  ~Recorder();

  // A command as the host receives it while frame `frameIndex` is being processed.
  // Codes that are not recording commands are ignored. Returns false for a command
  // that changes nothing (a stop of an idle recording, a second start, ...).
  bool OnCommand(uint32_t code, int64_t frameIndex);
  // The frame after the plug-in returned, in the host's layout.
  void OnFrame(int64_t frameIndex, const uint8_t* frame);
  // Ends open segments; a snapshot still owed is taken from the last frame.
  void Finish();

  std::vector<RecordedFile> files() const;
  // Writes the list of files as CSV (kind,file,first_frame,last_frame,frames).
  bool WriteIndex(const std::string& path) const;
  uint32_t writeErrors() const;

  enum class RecState { Idle, Running, Paused };
  RecState videoState() const;
  RecState kind3State() const;
  bool sequenceRunning() const;

 private:
  struct Recording {
    const char* kind;
    RecState state = RecState::Idle;
    AviWriter writer;
    int32_t segments = 0;
    int32_t fileIndex = -1;  // index into files_ of the open segment
  };

  bool Start(Recording& r);
  bool Stop(Recording& r);
  void CloseSegment(Recording& r);
  void FeedRecording(Recording& r, int64_t frameIndex, const uint8_t* frame);
  void TakeSnapshot(const char* kind, const std::string& name, int64_t frameIndex, const uint8_t* frame);

  RecorderConfig config_;
  mutable qlv::Mutex lock_;
  Recording video_;
  Recording kind3_;
  bool sequenceRunning_ = false;
  int32_t sequences_ = 0;
  int32_t sequenceShots_ = 0;
  int64_t sequenceStart_ = -1;  // first frame of the running sequence, -1 until a frame arrives
  int32_t pendingSnapshots_ = 0;
  int32_t snapshots_ = 0;
  std::vector<uint8_t> lastFrame_;
  int64_t lastFrameIndex_ = -1;
  std::vector<RecordedFile> files_;
  uint32_t writeErrors_ = 0;
};

}  // namespace hostsim
