#include "plugin/plugin.h"

#include <cstring>

#include "overlay/state_overlay.h"

namespace qlv {

const char kSettingsSection[] = "PluginSettings";

namespace {

// A channel name longer than this is cut: the host's record has no stated length.
constexpr size_t kMaxChannelName = 255;

std::string CopyName(const char* name) {
  if (!name) return std::string();
  size_t n = 0;
  while (n < kMaxChannelName && name[n] != '\0') ++n;
  return std::string(name, n);
}

}  // namespace

bool ProcessorTooOld(int32_t processorClass) { return processorClass == 1 || processorClass == 2; }

Plugin::Plugin(Platform& platform) : platform_(platform), actions_(platform, working_) {
  actions_.SetDialogOpenQuery([this] { return IsDialogOpen(); });
}

void Plugin::SetDialogLink(DialogLink* dialog) { dialog_ = dialog; }
void Plugin::SetCaptionHook(CaptionHook* caption) { caption_ = caption; }

void Plugin::Init(GetChannelFn getChannel, uint32_t context, const SettingsLocation& location) {
  // The file is read into the stored copy, which only Init and Close touch.
  store_.location = location;
  store_.Open(false);
  int32_t x = kDefaultDialogPos, y = kDefaultDialogPos;
  store_.ReadInt(kSettingsSection, "DlgWndPosX", &x, kDefaultDialogPos);
  store_.ReadInt(kSettingsSection, "DlgWndPosY", &y, kDefaultDialogPos);
  dlgWndPosX_ = x;
  dlgWndPosY_ = y;
  store_.ReadTable(kSettingsSection, kSettingsTable, kSettingsCount, stored_);
  store_.ReadBounded(kSettingsSection, kGuardSettings, kGuardSettingsCount, stored_);
  store_.Close();

  SettingsRecord working;
  {
    MutexLock lock(frameMutex_);
    getChannel_ = getChannel;
    context_ = context;
    instance_ = location.instance;
    working_ = stored_;
    grid_.FreeCells();
    if (working_.MaskFileName.empty() || !grid_.LoadMaskFile(working_.MaskFileName)) {
      working_.MaskFileName.clear();
      grid_.SetDefaultGrid();
    }
    // More cells than the grid has could never alarm: read as the default, like any value out of range.
    if (stored_.MinAlarmCells > static_cast<uint32_t>(grid_.cellCount())) stored_.MinAlarmCells = working_.MinAlarmCells = 1;
    initialised_ = true;
    working = working_;
  }
  if (caption_) caption_->OnInit(working);
}

int Plugin::Start(const StreamFormat& format) {
  uint32_t start = 0;
  std::string instance;
  {
    MutexLock lock(frameMutex_);
    start = ++starts_;
    format_ = format;
    canvas_.SetGeometry(format.width, format.height, format.pixelFormat);
    currentId0_ = 0;
    currentId1_ = 0;
    currentName_.clear();
    warmUp_ = 0;
    actions_.ResetCounters();
    // No frame is processed until this Start has made the caption's font.
    streamUsable_ = false;
    tuning_.Cancel(RunEnd::StreamStarted);
    detectorReady_ = canvas_.IsKnownFormat() && detector_.ResizeSamples(format.width, format.height);
    instance = instance_;
  }
  // Outside the lock: the version query waits for the host's interface thread,
  // which may itself be waiting for the lock.
  HostWindowHandles windows;
  FindHostWindows(platform_, instance, &windows);
  {
    MutexLock lock(frameMutex_);
    hostWindows_ = windows;
    actions_.SetHostWindow(windows.main);
  }
  if (caption_) caption_->OnStart();
  MutexLock lock(frameMutex_);
  // A frame whose size the canvas cannot address is never touched; a later
  // Start, from another thread, has the last word.
  if (start == starts_) streamUsable_ = canvas_.IsKnownFormat();
  return 1;
}

int Plugin::ProcessFrame(const HostFrame* frame) {
  if (!frame) return 0;
  if (!frame->channel) return ProcessFrame(frame->pixels, nullptr);
  const ChannelRef ref{frame->channel->id0, frame->channel->id1, frame->channel->name};
  return ProcessFrame(frame->pixels, &ref);
}

int Plugin::ProcessFrame(uint8_t* pixels, const ChannelRef* channel) {
  if (!pixels) return 0;

  bool drawCaption = false;
  OverlayGeometry geometry;
  struct {
    FrameCanvas canvas;
    int32_t columns = 0, rows = 0;
    uint32_t loud = 0, quiet = 0;
    std::vector<CellLabel> labels;
  } marks;
  {
    MutexLock lock(frameMutex_);
    if (ProcessorTooOld(format_.processorClass)) return 0;
    if (!channel || !initialised_ || !streamUsable_) return 0;
    if (channel->id0 != currentId0_ || channel->id1 != currentId1_) {
      currentId0_ = channel->id0;
      currentId1_ = channel->id1;
      currentName_ = CopyName(channel->name);
      tuning_.Cancel(RunEnd::ChannelChanged);
      if (IsDialogOpen()) dialog_->PostRefreshControls(kRefreshAll);
      if (currentId0_ == working_.ChannelId0() && currentId1_ == working_.ChannelId1()) {
        grid_.RestartCells();
        warmUp_ = kWarmUpFrames;
      } else {
        actions_.StopActions(StopKind::Final);
      }
    }
    if (currentId0_ != working_.ChannelId0() || currentId1_ != working_.ChannelId1()) return 0;
    if (warmUp_ != 0) {
      --warmUp_;
      return 0;
    }
    actions_.CountDownFrame();

    if (detectorReady_ && grid_.HasCells()) {
      const DetectorParams params(working_);
      detector_.KeepLevels(tuning_.wantsLevels());
      if (detector_.DetectMotion(pixels, canvas_, grid_, params) == 1) actions_.TriggerActions();
      tuning_.AfterDetection(detector_, params, platform_.TickCount());
    }

    if (working_.ActionStopTime < platform_.TickCount()) actions_.StopActions(StopKind::TimeUp);

    const bool recording = format_.recording != 0;
    const bool areas = (recording ? working_.RecShowMask : working_.ShowMask) && grid_.HasCells();
    const bool lines = (recording ? working_.RecShowGrid : working_.ShowGrid) != 0;
    if (areas || lines) {
      const AreaStyle style(working_);
      if (areas) DrawStateAreas(pixels, canvas_, grid_, detector_.state(), style);
      if (lines) DrawGrid(pixels, canvas_, grid_, style);
    }
    drawCaption = (recording ? working_.RecShowTime : working_.ShowTime) != 0;
    geometry = GeometryOf(canvas_);
    // The tuning window's marks never reach a recording.
    if (!recording) {
      tuning_.Labels(grid_, detector_.state(), working_.Sensitive, &marks.labels);
      marks.canvas = canvas_;
      marks.columns = grid_.columns();
      marks.rows = grid_.rows();
      marks.loud = working_.AlarmColor;
      marks.quiet = working_.GridColor;
    }
  }
  if (drawCaption && caption_) caption_->Draw(pixels, geometry);
  if (!marks.labels.empty()) {
    // After the caption, outside the lock: the marks go over every other overlay.
    DrawCellLabels(pixels, marks.canvas, marks.columns, marks.rows, marks.labels.data(), marks.loud, marks.quiet,
                   marks.loud);
  }
  return 1;
}

void Plugin::Close() {
  if (IsDialogOpen()) dialog_->DestroyDialog();
  {
    MutexLock lock(frameMutex_);
    if (actions_.guard() == 0) {
      // Forget the recording state without posting stops; a playing sound is stopped.
      working_.Action &= kActSound;
      actions_.StopActions(StopKind::Final);
    }
    tuning_.Close();
    grid_.FreeCells();
    initialised_ = false;
    stored_ = working_;
  }
  if (caption_) caption_->OnClose();
  if (!store_.Open(true)) return;
  store_.WriteSectionHeader(kSettingsSection);
  store_.WriteInt("DlgWndPosX", dlgWndPosX_);
  store_.WriteInt("DlgWndPosY", dlgWndPosY_);
  store_.WriteTable(kSettingsTable, kSettingsCount, stored_);
  store_.WriteBounded(kGuardSettings, kGuardSettingsCount, stored_);
  store_.Close();
}

SettingsRecord Plugin::Settings() const {
  MutexLock lock(frameMutex_);
  return working_;
}

void Plugin::FlipSetting(uint32_t SettingsRecord::*field) {
  MutexLock lock(frameMutex_);
  working_.*field = working_.*field == 0 ? 1u : 0u;
}

void Plugin::StopAllActions() {
  MutexLock lock(frameMutex_);
  actions_.StopActions(StopKind::Final);
}

void Plugin::PlayAlarmSound() {
  MutexLock lock(frameMutex_);
  actions_.PlayAlarmSound();
}

void Plugin::StopAlarmSound() {
  MutexLock lock(frameMutex_);
  actions_.StopAlarmSound();
}

void Plugin::RunExternalTask() {
  MutexLock lock(frameMutex_);
  actions_.RunExternalTask();
}

int32_t Plugin::ActionGuard() const {
  MutexLock lock(frameMutex_);
  return actions_.guard();
}

bool Plugin::LoadMask(const std::string& path) {
  MutexLock lock(frameMutex_);
  const bool found = grid_.LoadMaskFile(path);
  tuning_.FollowGridSize(grid_.HasCells() ? grid_.cellCount() : 0);
  // As at Init: more alarmed cells than the grid has could never be reached.
  if (working_.MinAlarmCells > static_cast<uint32_t>(grid_.cellCount())) working_.MinAlarmCells = 1;
  return found;
}

void Plugin::WatchAllCells() {
  MutexLock lock(frameMutex_);
  grid_.WatchAll();
}

void Plugin::ClearAllCells() {
  MutexLock lock(frameMutex_);
  grid_.ClearAll();
}

void Plugin::InvertMask() {
  MutexLock lock(frameMutex_);
  grid_.InvertMask();
}

void Plugin::OpenTuning(TuningLink* link) {
  MutexLock lock(frameMutex_);
  tuning_.Open(link);
}

void Plugin::CloseTuning() {
  MutexLock lock(frameMutex_);
  tuning_.Close();
}

void Plugin::ShowChangeLevels(bool on) {
  MutexLock lock(frameMutex_);
  tuning_.ShowLevels(on);
}

bool Plugin::StartCalibration(CalibrationKind kind, uint32_t seconds) {
  MutexLock lock(frameMutex_);
  return tuning_.Start(kind, seconds, platform_.TickCount(), grid_.HasCells() ? grid_.cellCount() : 0);
}

void Plugin::CancelCalibration() {
  MutexLock lock(frameMutex_);
  tuning_.Cancel(RunEnd::Cancelled);
}

TuningStatus Plugin::Tuning() const {
  MutexLock lock(frameMutex_);
  return tuning_.Status();
}

void Plugin::UnwatchCells(const std::vector<int32_t>& cells) {
  MutexLock lock(frameMutex_);
  for (int32_t c : cells)
    if (grid_.HasCells() && c >= 0 && c < grid_.cellCount() && grid_.watch()[c])
      grid_.ToggleCell(c % grid_.columns(), c / grid_.columns());
}

MaskCopy Plugin::Mask() const {
  MutexLock lock(frameMutex_);
  MaskCopy copy;
  copy.columns = grid_.columns();
  copy.rows = grid_.rows();
  if (grid_.HasCells()) copy.watch.assign(grid_.watch(), grid_.watch() + grid_.cellCount());
  return copy;
}

OverlayGeometry Plugin::StreamGeometry() const {
  MutexLock lock(frameMutex_);
  return GeometryOf(canvas_);
}

uint32_t Plugin::currentId0() const {
  MutexLock lock(frameMutex_);
  return currentId0_;
}

uint32_t Plugin::currentId1() const {
  MutexLock lock(frameMutex_);
  return currentId1_;
}

std::string Plugin::CurrentChannelName() const {
  MutexLock lock(frameMutex_);
  return currentName_;
}

HostWindowHandles Plugin::hostWindows() const {
  MutexLock lock(frameMutex_);
  return hostWindows_;
}

StreamFormat Plugin::format() const {
  MutexLock lock(frameMutex_);
  return format_;
}

GetChannelFn Plugin::getChannel() const {
  MutexLock lock(frameMutex_);
  return getChannel_;
}

uint32_t Plugin::context() const {
  MutexLock lock(frameMutex_);
  return context_;
}

int32_t Plugin::warmUp() const {
  MutexLock lock(frameMutex_);
  return warmUp_;
}

}  // namespace qlv
