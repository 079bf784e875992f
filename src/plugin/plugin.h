// The plug-in's life between the host's init and close, and the per-frame driver:
// channel tracking, warm-up, detection, alarm actions and the overlay.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "detect/mask_grid.h"
#include "detect/motion_detector.h"
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

// The date/time caption's three steps in the lifecycle. Draw runs after the grid
// lock is released; the caption takes its own lock.
class CaptionHook {
 public:
  virtual ~CaptionHook() = default;
  virtual void OnInit(const SettingsRecord& working) = 0;                              // last step of Init
  virtual void OnStart(const FrameCanvas& canvas, const SettingsRecord& working) = 0;  // after the host windows are found
  virtual void Draw(uint8_t* frame, const FrameCanvas& canvas, const SettingsRecord& working) = 0;
};

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
  // For the dialog and the mask editor: hold this while touching grid().
  std::unique_lock<std::mutex> LockGrid() { return std::unique_lock<std::mutex>(frameMutex_); }
  MaskGrid& grid() { return grid_; }

  // Stops every action finally; the dialog does this when it opens.
  void StopAllActions();

  SettingsRecord& working() { return working_; }
  const SettingsRecord& stored() const { return stored_; }
  int32_t& dlgWndPosX() { return dlgWndPosX_; }
  int32_t& dlgWndPosY() { return dlgWndPosY_; }
  IniStore& store() { return store_; }
  // Found at every stream start.
  const HostWindowHandles& hostWindows() const { return hostWindows_; }
  AlarmActions& actions() { return actions_; }
  const FrameCanvas& canvas() const { return canvas_; }
  const StreamFormat& format() const { return format_; }
  GetChannelFn getChannel() const { return getChannel_; }
  uint32_t context() const { return context_; }
  uint32_t currentId0() const { return currentId0_; }
  uint32_t currentId1() const { return currentId1_; }
  std::string CurrentChannelName();
  int32_t warmUp() const { return warmUp_; }

 private:
  bool IsDialogOpen() { return dialog_ != nullptr && dialog_->IsDialogOpen(); }

  Platform& platform_;
  DialogLink* dialog_ = nullptr;
  CaptionHook* caption_ = nullptr;

  GetChannelFn getChannel_ = nullptr;
  uint32_t context_ = 0;
  StreamFormat format_{};
  bool initialised_ = false;
  bool streamUsable_ = false;
  bool detectorReady_ = false;

  SettingsRecord stored_;
  SettingsRecord working_;
  int32_t dlgWndPosX_ = kDefaultDialogPos;
  int32_t dlgWndPosY_ = kDefaultDialogPos;
  IniStore store_;
  HostWindowHandles hostWindows_;

  // Held by the frame driver across detection and drawing of the cells, and by
  // every rebuild of the grid.
  std::mutex frameMutex_;
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
