// The plug-in's life between the host's init and close, and the frame driver: channel
// gate, warm-up, detection, alarm actions and their timeouts, the overlays, the tuning marks.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <type_traits>
#include <vector>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "overlay/overlay_composer.h"
#include "pixel/frame_canvas.h"
#include "platform/mutex.h"
#include "platform/platform.h"
#include "plugin/actions.h"
#include "plugin/detector_tuning.h"
#include "plugin/host_api.h"
#include "plugin/host_windows.h"
#include "settings/ini_store.h"
#include "settings/schedule.h"
#include "settings/settings.h"

namespace qlv {

constexpr int32_t kWarmUpFrames = 30;   // frames skipped after the controlled channel is entered
constexpr int32_t kDefaultDialogPos = -100;
constexpr uint32_t kRefreshAll = 0;     // RefreshKind of WM_REFRESH_CONTROLS
extern const char kSettingsSection[];   // "PluginSettings"

// Processor classes 1 and 2 are older than the plug-in needs: no frame is touched and
// the settings are refused.
bool ProcessorTooOld(int32_t processorClass);

void DrawViewLost(uint8_t* frame, const FrameCanvas& canvas, const std::u16string& words, uint32_t color);

// The local time of a calendar time in seconds; false when it cannot be represented.
bool LocalTimeOf(int64_t time, std::tm* local);

// What the schedule window shows, read in one hold of the frame lock.
struct ScheduleView {
  ScheduleLines lines;
  uint32_t night[kNightSettingsCount] = {};  // kNightSettings' values, kAsByDay where unset
  GuardMode mode = GuardMode::Day;           // as the frame driver decided it last
};

// The frame's channel as the driver reads it.
struct ChannelRef {
  uint32_t id0;
  uint32_t id1;
  const char* name;  // NUL-terminated; may be null
};

// The settings dialog as the lifecycle and the driver see it. Until the dialog
// exists, Plugin behaves as if it were never open.
class DialogLink {
 public:
  virtual ~DialogLink() = default;
  virtual bool IsDialogOpen() = 0;
  // Posts WM_REFRESH_CONTROLS with `kind` to the open dialog.
  virtual void PostRefreshControls(uint32_t kind) = 0;
  virtual void DestroyDialog() = 0;
};

// The date/time caption in the lifecycle. Every call takes the caption's lock itself and
// is made with the frame lock released; the caption keeps a style of its own, so the two
// locks are never held together.
class CaptionHook {
 public:
  virtual ~CaptionHook() = default;
  virtual void OnInit(const SettingsRecord& working) = 0;  // last step of Init: the two layers, the style
  virtual void OnStart() = 0;                              // after the host windows are found: the font
  // `geometry` is the stream's as the frame was processed.
  virtual void Draw(uint8_t* frame, const OverlayGeometry& geometry) = 0;
  virtual void OnClose() = 0;                              // layers, prepared overlay and font freed
};

// The watched flags of the grid as they were at one moment.
struct MaskCopy {
  int32_t columns = 0;
  int32_t rows = 0;
  std::vector<uint8_t> watch;  // empty while the grid has no cells
  bool HasCells() const { return !watch.empty(); }
  int32_t cellCount() const { return static_cast<int32_t>(watch.size()); }
};

// What the tuning window shows, read in one hold of the frame lock.
struct TuningView {
  TuningStatus status;
  MaskCopy mask;
  bool viewWatched = false;  // ViewLostSeconds is set and the detector watches the view
  bool viewLost = false;     // the view is lost now
};

// The channel the frame driver saw last.
struct CurrentChannel {
  uint32_t id0 = 0;
  uint32_t id1 = 0;
  std::string name;
};

// The host's channel list as Init received it.
struct HostChannels {
  GetChannelFn getChannel = nullptr;
  uint32_t context = 0;
};

struct DialogPos {
  int32_t x, y;
};

// What the action page does by hand.
enum class HandAction { PlaySound, StopSound, RunTask };

// Threads. Frames come on the host's frame thread (ProcessFrame, and Start with
// them); the dialog, the mask editor and PluginShowSettings run on its interface
// thread. The frame lock guards everything the two share; the other threads reach
// it only through the commands below, each of which takes the lock itself. The
// caption's style is the caption's, under its own lock. No lock is held across a call
// into the host; stored_ and store_ belong to Init and Close, which the host never
// runs at the same time.

class Plugin {
 public:
  explicit Plugin(Platform& platform);
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  void SetDialogLink(DialogLink* dialog);   // null: no dialog
  void SetCaptionHook(CaptionHook* caption);  // null: no caption
  // The words drawn over the video while the view is lost, in the user's language.
  void SetViewLostWords(const std::u16string& words) QLV_EXCLUDES(frameMutex_);

  // Reads the settings from `location` (built by the caller), loads the mask.
  void Init(GetChannelFn getChannel, uint32_t context, const SettingsLocation& location) QLV_EXCLUDES(frameMutex_);
  // Always 1. A format whose frames cannot be addressed makes every frame return 0.
  int Start(const StreamFormat& format) QLV_EXCLUDES(frameMutex_);
  // 1 when the frame was processed, 0 when it was left untouched.
  int ProcessFrame(const HostFrame* frame) QLV_EXCLUDES(frameMutex_);
  int ProcessFrame(uint8_t* pixels, const ChannelRef* channel) QLV_EXCLUDES(frameMutex_);
  // Stops the actions (unless a recording command is too recent) and saves the settings.
  void Close() QLV_EXCLUDES(frameMutex_);

  // The working settings. A copy, or one value, read under the frame lock. The action state
  // (Action, ActionStopTime, ExtTask) is not a setting: the copies carry it as it is saved,
  // and nothing below writes it.
  SettingsRecord Settings() const QLV_EXCLUDES(frameMutex_);
  template <typename T>
  T Setting(T SettingsRecord::*field) const QLV_EXCLUDES(frameMutex_) {
    MutexLock lock(frameMutex_);
    return working_.*field;
  }
  // One value, in effect from the next frame.
  template <typename T>
  void SetSetting(T SettingsRecord::*field, const std::common_type_t<T>& value) QLV_EXCLUDES(frameMutex_) {
    MutexLock lock(frameMutex_);
    working_.*field = value;
  }
  // Several values changed together in one hold of the lock; returns the settings as
  // they are then. `change` must not call back into the plug-in.
  template <typename Change>
  SettingsRecord EditSettings(Change change) QLV_EXCLUDES(frameMutex_) {
    MutexLock lock(frameMutex_);
    change(working_);
    return WithActionState();
  }

  // The mask. Each edit holds the frame lock, so it never falls inside a frame's pass
  // over the cells; none waits for the frame thread. The cells an edit restarts are
  // known by their epochs to the detector and to a calibration run.
  bool LoadMask(const std::string& path) QLV_EXCLUDES(frameMutex_);
  void WatchAllCells() QLV_EXCLUDES(frameMutex_);
  void ClearAllCells() QLV_EXCLUDES(frameMutex_);
  void InvertMask() QLV_EXCLUDES(frameMutex_);
  // `cellAt` maps (columns, rows) to the cell to switch, if any.
  template <typename CellAt>
  void ToggleCell(CellAt cellAt) QLV_EXCLUDES(frameMutex_) {
    MutexLock lock(frameMutex_);
    if (auto cell = cellAt(grid_.columns(), grid_.rows())) grid_.ToggleCell(cell->column, cell->row);
  }
  MaskCopy Mask() const QLV_EXCLUDES(frameMutex_);
  // Each listed cell that is watched no longer is, as the mask editor would switch it.
  void UnwatchCells(const std::vector<int32_t>& cells) QLV_EXCLUDES(frameMutex_);

  // The detector tuning window: while it is open, the change levels and the calibration
  // runs. `link` hears of every change of Tuning(); it is called under the frame lock, on
  // the frame thread or in a command, and must only post. Closing cancels a run and forgets
  // its results.
  void OpenTuning(TuningLink* link) QLV_EXCLUDES(frameMutex_);
  void CloseTuning() QLV_EXCLUDES(frameMutex_);
  void ShowChangeLevels(bool on) QLV_EXCLUDES(frameMutex_);
  // A run of `seconds` (kept to 5..120) on the frames of the controlled channel; false when
  // the window is closed or there are no cells.
  bool StartCalibration(CalibrationKind kind, uint32_t seconds) QLV_EXCLUDES(frameMutex_);
  void CancelCalibration() QLV_EXCLUDES(frameMutex_);
  TuningView TuningSnapshot() const QLV_EXCLUDES(frameMutex_);
  // The sensitivity the last verdict proposes becomes the working one; false when there is none.
  bool ApplyProposedSensitivity() QLV_EXCLUDES(frameMutex_);

  // The weekly schedule. `change` edits the lines and the night values under the frame
  // lock; the mode is decided again at the next frame.
  template <typename Change>
  void EditSchedule(Change change) QLV_EXCLUDES(frameMutex_) {
    MutexLock lock(frameMutex_);
    change(working_);
    modeTime_ = kModeUndecided;
  }
  ScheduleView ScheduleSnapshot() const QLV_EXCLUDES(frameMutex_);
  // The word drawn over the video while the schedule holds the guard off.
  void SetScheduleOffWord(const std::u16string& word) QLV_EXCLUDES(frameMutex_);

  // The actions, by hand or finally; the dialog stops them all when it opens.
  void StopAllActions() QLV_EXCLUDES(frameMutex_);
  void ActByHand(HandAction action) QLV_EXCLUDES(frameMutex_);
  int32_t ActionGuard() const QLV_EXCLUDES(frameMutex_);

  // Where the settings dialog was last put (kDefaultDialogPos: never).
  DialogPos dialogPos() const { return DialogPos{dlgWndPosX_, dlgWndPosY_}; }
  void SetDialogPos(int32_t x, int32_t y) {
    dlgWndPosX_ = x;
    dlgWndPosY_ = y;
  }
  // What Init read, or Close saved last.
  const SettingsRecord& stored() const { return stored_; }

  // Copies taken under the frame lock, for any thread.
  HostWindowHandles hostWindows() const QLV_EXCLUDES(frameMutex_);  // found at every stream start
  StreamFormat format() const QLV_EXCLUDES(frameMutex_);
  OverlayGeometry StreamGeometry() const QLV_EXCLUDES(frameMutex_);
  HostChannels hostChannels() const QLV_EXCLUDES(frameMutex_);
  CurrentChannel currentChannel() const QLV_EXCLUDES(frameMutex_);
  int32_t warmUp() const QLV_EXCLUDES(frameMutex_);

 private:
  // What the frame driver draws after the lock is released: the caption, then the tuning
  // window's marks, which go over every other overlay and never reach a recording.
  struct LateOverlays {
    bool caption = false;
    OverlayGeometry geometry;  // the stream's as the frame was processed
    FrameCanvas canvas;
    int32_t columns = 0, rows = 0;
    uint32_t loud = 0, quiet = 0;
    std::vector<CellLabel> labels;
  };
  // This frame's detection, for the steps after it.
  struct Detection {
    bool compared = false;  // DetectMotion ran
    bool alarm = false;
    bool viewLost = false;  // the view was lost at this frame: an alarm of its own kind
    DetectorParams params;
  };
  // The frame driver's steps, in order. A step that answers false ends the frame untouched.
  bool GateChannel(const ChannelRef* channel) QLV_REQUIRES(frameMutex_);
  bool WarmUp() QLV_REQUIRES(frameMutex_);
  void FollowSchedule() QLV_REQUIRES(frameMutex_);
  Detection Detect(const uint8_t* pixels) QLV_REQUIRES(frameMutex_);
  void Act(const Detection& detection) QLV_REQUIRES(frameMutex_);
  void Timeouts() QLV_REQUIRES(frameMutex_);
  void Draw(uint8_t* pixels, LateOverlays* late) QLV_REQUIRES(frameMutex_);
  void Tune(const Detection& detection, LateOverlays* late) QLV_REQUIRES(frameMutex_);

  // working_ with the action state as it is saved.
  SettingsRecord WithActionState() const QLV_REQUIRES(frameMutex_);
  MaskCopy MaskLocked() const QLV_REQUIRES(frameMutex_);
  bool IsDialogOpen() { return dialog_ != nullptr && dialog_->IsDialogOpen(); }

  Platform& platform_;
  DialogLink* dialog_ = nullptr;
  CaptionHook* caption_ = nullptr;

  // Init and Close only.
  SettingsRecord stored_;
  IniStore store_;
  // Init and Close, and the dialog's thread too: atomic.
  std::atomic<int32_t> dlgWndPosX_{kDefaultDialogPos};
  std::atomic<int32_t> dlgWndPosY_{kDefaultDialogPos};

  // The frame lock: held by the frame driver across detection and drawing of the
  // cells, and by every command above.
  mutable Mutex frameMutex_;
  GetChannelFn getChannel_ QLV_GUARDED_BY(frameMutex_) = nullptr;
  uint32_t context_ QLV_GUARDED_BY(frameMutex_) = 0;
  std::string instance_ QLV_GUARDED_BY(frameMutex_);  // the host instance of the settings location, for Start
  StreamFormat format_ QLV_GUARDED_BY(frameMutex_){};
  bool initialised_ QLV_GUARDED_BY(frameMutex_) = false;
  bool streamUsable_ QLV_GUARDED_BY(frameMutex_) = false;
  bool detectorReady_ QLV_GUARDED_BY(frameMutex_) = false;
  SettingsRecord working_ QLV_GUARDED_BY(frameMutex_);
  HostWindowHandles hostWindows_ QLV_GUARDED_BY(frameMutex_);
  uint32_t starts_ QLV_GUARDED_BY(frameMutex_) = 0;  // the Start whose format is current
  MaskGrid grid_ QLV_GUARDED_BY(frameMutex_);
  MotionDetector detector_ QLV_GUARDED_BY(frameMutex_);
  FrameCanvas canvas_ QLV_GUARDED_BY(frameMutex_);
  AlarmActions actions_ QLV_GUARDED_BY(frameMutex_);
  DetectorTuning tuning_ QLV_GUARDED_BY(frameMutex_);

  uint32_t currentId0_ QLV_GUARDED_BY(frameMutex_) = 0;
  uint32_t currentId1_ QLV_GUARDED_BY(frameMutex_) = 0;
  std::string currentName_ QLV_GUARDED_BY(frameMutex_);
  int32_t warmUp_ QLV_GUARDED_BY(frameMutex_) = 0;
  std::u16string viewLostWords_ QLV_GUARDED_BY(frameMutex_) = u"VIEW LOST";
  // The schedule's mode, decided again whenever the clock's second changes.
  static constexpr int64_t kModeUndecided = INT64_MIN;
  GuardMode mode_ QLV_GUARDED_BY(frameMutex_) = GuardMode::Day;
  int64_t modeTime_ QLV_GUARDED_BY(frameMutex_) = kModeUndecided;
  std::u16string offWord_ QLV_GUARDED_BY(frameMutex_) = u"OFF";
};

}  // namespace qlv
