// Plays frames through the plug-in the way the host does: PluginStart and
// PluginProcessFrame on a frame thread of its own, while the calling (user-interface)
// thread pumps messages, so that the plug-in's posts reach the host's windows.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "frame_source.h"
#include "host_windows.h"
#include "plugin/host_api.h"
#include "recorder.h"

namespace hostsim {

struct PlayerConfig {
  FrameLayout layout;
  double fps = 0.0;             // 0: as fast as possible
  int64_t maxFrames = -1;       // -1: until the source ends
  int32_t processorClass = 6;
  int32_t recording = 0;
  bool progress = false;        // progress line on standard error
  bool timing = false;          // wall time of every frame call into callUs and frames.csv
  uint32_t syncTimeoutMs = 120000;
  // The user-interface thread stops pumping for this long from just before
  // PluginStart, like a host whose interface thread waits for its frame thread.
  uint32_t stallUiMs = 0;
  bool loop = false;              // the source starts again at its end (until maxFrames)
  // Every `uiTaskEvery` frames (from that frame on) the interface thread runs
  // uiTask with the frame index while the frame thread waits for it.
  int64_t uiTaskEvery = 0;
  std::function<void(int64_t)> uiTask;
  // On the frame thread after each frame.
  std::function<void(int64_t)> afterFrame;
};

// Where the player's results go; every member may be null.
struct PlayerOutputs {
  std::FILE* eventsCsv = nullptr;  // frame,tick,command,name
  std::FILE* framesCsv = nullptr;  // frame,result (and call_us with timing)
  std::FILE* framesRaw = nullptr;  // frames after the plug-in, in the input's layout
  Recorder* recorder = nullptr;
};

struct PlayerResult {
  int64_t frames = 0;           // frames handed to PluginProcessFrame
  int64_t processed = 0;        // of which the plug-in returned non-zero
  int32_t startResult = 0;      // PluginStart's answer
  bool syncTimedOut = false;
  std::vector<double> callUs;   // with timing: microseconds of each PluginProcessFrame
  std::vector<double> processedUs;  // the same, of the calls that returned non-zero
  uint32_t startMs = 0;             // how long PluginStart took
  bool startReturnedInStall = false;  // PluginStart returned before the stall ended
};

class Player {
 public:
  // `channelAt` gives the ChannelInfo shown by a frame index (may return null).
  Player(const qlv::PluginRecord& plugin, HostWindows& windows,
         std::function<qlv::ChannelInfo*(int64_t)> channelAt);
  ~Player();

  // Runs the whole stream on a new frame thread and pumps this thread's messages
  // until it ends. Must be called on the thread that owns `windows`.
  PlayerResult Play(FrameSource& source, const PlayerConfig& config, const PlayerOutputs& outputs);

  // Hands commands logged since the last call to the recorder and the events file.
  // The player calls it after every frame; call it once more after PluginClose.
  void DispatchCommands(const PlayerOutputs& outputs);

  // Asks a running Play to stop after the current frame (any thread).
  void RequestStop() { stop_ = true; }

 private:
  static DWORD WINAPI FrameThreadMain(void* self);
  static LRESULT CALLBACK SyncProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  void RunUiTask(int64_t frame);
  void FrameLoop();
  void WaitForHostQueue();
  void StallIfAsked();
  void ShowFrame(const uint8_t* frame);

  const qlv::PluginRecord& plugin_;
  HostWindows& windows_;
  std::function<qlv::ChannelInfo*(int64_t)> channelAt_;
  HWND syncWindow_ = nullptr;
  HANDLE syncEvent_ = nullptr;
  HANDLE starting_ = nullptr;   // set by the frame thread just before PluginStart
  HANDLE stalling_ = nullptr;   // set by the interface thread as it stops pumping
  std::atomic<bool> startReturned_{false};
  std::atomic<bool> stop_{false};
  size_t dispatched_ = 0;

  // Valid during Play.
  FrameSource* source_ = nullptr;
  PlayerConfig config_;
  PlayerOutputs outputs_;
  PlayerResult result_;
  std::vector<uint8_t> dib_;
  DWORD lastShown_ = 0;
  bool shownOnce_ = false;
};

}  // namespace hostsim
