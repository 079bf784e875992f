// The plug-in's life between the host's init and close, and the per-frame driver:
// channel tracking, warm-up, detection, alarm actions and the overlay.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
#include "overlay/overlay_composer.h"
#include "pixel/frame_canvas.h"
#include "platform/platform.h"
#include "plugin/actions.h"
#include "plugin/host_api.h"
#include "plugin/host_windows.h"
#include "settings/ini_store.h"
#include "settings/settings.h"

namespace qlv {

constexpr int32_t kWarmUpFrames = 30;   // frames skipped after the controlled channel is entered
constexpr int32_t kDefaultDialogPos = -100;
constexpr uint32_t kRefreshAll = 0;     // RefreshKind of WM_REFRESH_CONTROLS
extern const char kSettingsSection[];   // "PluginSettings"

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

// The date/time caption in the lifecycle. Every call but HoldLock takes
// CaptionLock itself and is made with the frame lock released.
class CaptionHook {
 public:
  virtual ~CaptionHook() = default;
  virtual void OnInit() = 0;                               // last step of Init: the two layers
  virtual void OnStart(const SettingsRecord& working) = 0;  // after the host windows are found: the font
  // `geometry` is the stream's as the frame was processed.
  virtual void Draw(uint8_t* frame, const OverlayGeometry& geometry, const SettingsRecord& working) = 0;
  virtual void OnClose() = 0;                               // layers, prepared overlay and font freed
  // CaptionLock, for a copy of the whole working record.
  virtual std::unique_lock<std::mutex> HoldLock() = 0;
};

// Threads. Frames come on the host's frame thread (ProcessFrame, and Start with
// them); the dialog, the mask editor and PluginShowSettings run on its interface
// thread. What each shared datum belongs to:
// - the frame lock (LockGrid): the working settings except the caption's, the
//   stream format and canvas, grid, detector, action state and counters, the
//   current channel, the host callback and the host windows;
// - CaptionLock: the caption's settings (Font*, TimeFormat, TextColor, TextPos,
//   TextOpacity), written under it and read by the frame thread only under it;
// - both, frame lock first: Init and Close, which copy the whole record. No one
//   takes the frame lock while holding CaptionLock;
// - atomics: the dialog position, the dialog's window handle.
// No lock is held across a call into the host; stored() and store() belong to
// Init and Close, which the host never runs at the same time.

class Plugin {
 public:
  explicit Plugin(Platform& platform);
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  void SetDialogLink(DialogLink* dialog);   // null: no dialog
  void SetCaptionHook(CaptionHook* caption);  // null: no caption

  // Reads the settings from `location` (built by the caller), loads the mask.
  void Init(GetChannelFn getChannel, uint32_t context, const SettingsLocation& location);
  // Always 1. A format whose frames cannot be addressed makes every frame return 0.
  int Start(const StreamFormat& format);
  // 1 when the frame was processed, 0 when it was left untouched.
  int ProcessFrame(const HostFrame* frame);
  int ProcessFrame(uint8_t* pixels, const ChannelRef* channel);
  // Stops the actions (unless a recording command is too recent) and saves the settings.
  void Close();

  // Rebuilds the grid from a mask file, never during a frame's pass over the cells.
  // Like every holder of the grid lock, it must not wait for the frame thread.
  bool LoadMask(const std::string& path);
  // The frame lock. Hold it while touching grid(), working(), actions() or canvas().
  std::unique_lock<std::mutex> LockGrid() { return std::unique_lock<std::mutex>(frameMutex_); }
  MaskGrid& grid() { return grid_; }

  // Stops every action finally; the dialog does this when it opens.
  void StopAllActions();

  SettingsRecord& working() { return working_; }
  const SettingsRecord& stored() const { return stored_; }
  std::atomic<int32_t>& dlgWndPosX() { return dlgWndPosX_; }
  std::atomic<int32_t>& dlgWndPosY() { return dlgWndPosY_; }
  IniStore& store() { return store_; }
  AlarmActions& actions() { return actions_; }
  const FrameCanvas& canvas() const { return canvas_; }
  uint32_t currentId0() const { return currentId0_; }
  uint32_t currentId1() const { return currentId1_; }

  // Copies taken under the frame lock, for any thread.
  HostWindowHandles hostWindows() const;  // found at every stream start
  StreamFormat format() const;
  GetChannelFn getChannel() const;
  uint32_t context() const;
  std::string CurrentChannelName() const;
  int32_t warmUp() const;

 private:
  bool IsDialogOpen() { return dialog_ != nullptr && dialog_->IsDialogOpen(); }

  Platform& platform_;
  DialogLink* dialog_ = nullptr;
  CaptionHook* caption_ = nullptr;

  GetChannelFn getChannel_ = nullptr;
  uint32_t context_ = 0;
  std::string instance_;  // the host instance of the settings location, for Start
  StreamFormat format_{};
  bool initialised_ = false;
  bool streamUsable_ = false;
  bool detectorReady_ = false;

  SettingsRecord stored_;
  SettingsRecord working_;
  std::atomic<int32_t> dlgWndPosX_{kDefaultDialogPos};
  std::atomic<int32_t> dlgWndPosY_{kDefaultDialogPos};
  IniStore store_;
  HostWindowHandles hostWindows_;

  // The frame lock: held by the frame driver across detection and drawing of
  // the cells, and by every reader and writer of what it guards (see above).
  mutable std::mutex frameMutex_;
  uint32_t starts_ = 0;  // the Start whose format is current
  MaskGrid grid_;
  MotionDetector detector_;
  FrameCanvas canvas_;
  AlarmActions actions_;

  uint32_t currentId0_ = 0;
  uint32_t currentId1_ = 0;
  std::string currentName_;
  int32_t warmUp_ = 0;
};

}  // namespace qlv
