#include "plugin/plugin.h"

#include <algorithm>
#include <cstring>

#include "overlay/small_font.h"
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

// The words of a lost view, large, centred near the top of the frame (at the small font's
// own scale where twice that would not fit).
void DrawViewLost(uint8_t* frame, const FrameCanvas& canvas, const std::u16string& words, uint32_t color) {
  const int32_t columns = SmallTextColumns(words);
  int32_t scale = 2 * SmallTextScale(canvas.height());
  if (columns * scale > canvas.width()) scale /= 2;
  const int32_t x = std::max(0, (canvas.width() - columns * scale) / 2) & ~1;
  DrawSmallText(frame, canvas, words, x, canvas.height() / 8, scale, color);
}

bool LocalTimeOf(int64_t time, std::tm* local) {
  const std::time_t t = static_cast<std::time_t>(time);
  if (static_cast<int64_t>(t) != time) return false;
#ifdef _WIN32
  // The runtime keeps localtime's result per thread.
  const std::tm* r = std::localtime(&t);
  if (!r) return false;
  *local = *r;
  return true;
#else
  return localtime_r(&t, local) != nullptr;
#endif
}

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
  store_.ReadSchedule(kSettingsSection, &stored_.Schedule);
  store_.ReadBounded(kSettingsSection, kNightSettings, kNightSettingsCount, stored_);
  store_.Close();

  SettingsRecord working;
  {
    MutexLock lock(frameMutex_);
    getChannel_ = getChannel;
    context_ = context;
    instance_ = location.instance;
    working_ = stored_;
    actions_.Restore(stored_);
    grid_.FreeCells();
    if (working_.MaskFileName.empty() || !grid_.LoadMaskFile(working_.MaskFileName)) {
      working_.MaskFileName.clear();
      grid_.SetDefaultGrid();
    }
    stored_.MinAlarmCells = working_.MinAlarmCells = FitAlarmCells(stored_.MinAlarmCells, grid_.cellCount());
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
  LateOverlays late;
  {
    MutexLock lock(frameMutex_);
    if (!GateChannel(channel) || !WarmUp()) return 0;
    FollowSchedule();
    const Detection detection = Detect(pixels);
    Act(detection);
    Timeouts();
    Draw(pixels, &late);
    Tune(detection, &late);
  }
  if (late.caption && caption_) caption_->Draw(pixels, late.geometry);
  if (!late.labels.empty()) {
    DrawCellLabels(pixels, late.canvas, late.columns, late.rows, late.labels.data(), late.loud, late.quiet, late.loud);
  }
  return 1;
}

bool Plugin::GateChannel(const ChannelRef* channel) {
  if (ProcessorTooOld(format_.processorClass)) return false;
  if (!channel || !initialised_ || !streamUsable_) return false;
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
  return currentId0_ == working_.ChannelId0() && currentId1_ == working_.ChannelId1();
}

bool Plugin::WarmUp() {
  if (warmUp_ == 0) return true;
  --warmUp_;
  return false;
}

// Decided at the frame where the caption shows a new second: the whole frame, and every
// one after it until the next decision, follows the mode of that second.
void Plugin::FollowSchedule() {
  if (ScheduleAllOn(working_.Schedule)) {
    mode_ = GuardMode::Day;
    modeTime_ = kModeUndecided;
    return;
  }
  const int64_t now = platform_.Now();
  if (now == modeTime_) return;
  modeTime_ = now;
  std::tm local{};
  mode_ = LocalTimeOf(now, &local) ? ModeAt(working_.Schedule, local) : GuardMode::Day;
}

Plugin::Detection Plugin::Detect(const uint8_t* pixels) {
  Detection d;
  if (!detectorReady_ || !grid_.HasCells()) return d;
  if (mode_ == GuardMode::Night) {
    SettingsRecord night = working_;
    ApplyNightSettings(&night, grid_.cellCount());
    d.params = DetectorParams(night);
  } else {
    d.params = DetectorParams(working_);
  }
  detector_.KeepLevels(tuning_.wantsLevels());
  d.alarm = detector_.DetectMotion(pixels, canvas_, grid_, d.params) == 1;
  d.viewLost = detector_.viewEvent() == ViewEvent::Lost;
  d.compared = true;
  return d;
}

void Plugin::Act(const Detection& detection) {
  // Counted down before the alarm, so that the frame that ends a lock-out may trigger.
  actions_.CountDownFrame();
  // While the schedule holds the guard off, alarms start nothing; what runs ends as usual.
  if ((detection.alarm || detection.viewLost) && mode_ != GuardMode::Off) actions_.TriggerActions();
}

void Plugin::Timeouts() { actions_.StopWhenTimeUp(); }

void Plugin::Draw(uint8_t* pixels, LateOverlays* late) {
  const bool recording = format_.recording != 0;
  const bool areas = (recording ? working_.RecShowMask : working_.ShowMask) && grid_.HasCells();
  const bool lines = (recording ? working_.RecShowGrid : working_.ShowGrid) != 0;
  if (areas || lines) {
    const AreaStyle style(working_);
    if (areas) DrawStateAreas(pixels, canvas_, grid_, detector_.state(), style);
    if (lines) DrawGrid(pixels, canvas_, grid_, style);
  }
  // In recordings too: whoever plays one back sees why it started.
  if (detector_.viewLost()) DrawViewLost(pixels, canvas_, viewLostWords_, working_.AlarmColor);
  // The schedule's mark is for whoever watches, never in a recording.
  if (!recording && mode_ != GuardMode::Day) {
    const std::u16string mark = mode_ == GuardMode::Off ? offWord_ : std::u16string(1, kMoonGlyph);
    DrawSmallTextAt(pixels, canvas_, mark, CornerOpposite(working_.TextPos), working_.GridColor);
  }
  late->caption = (recording ? working_.RecShowTime : working_.ShowTime) != 0;
  late->geometry = GeometryOf(canvas_);
}

ScheduleView Plugin::ScheduleSnapshot() const {
  MutexLock lock(frameMutex_);
  ScheduleView v;
  v.lines = working_.Schedule;
  for (size_t i = 0; i < kNightSettingsCount; ++i) v.night[i] = working_.*kNightSettings[i].field;
  v.mode = mode_;
  return v;
}

void Plugin::SetScheduleOffWord(const std::u16string& word) {
  MutexLock lock(frameMutex_);
  offWord_ = word;
}

void Plugin::SetViewLostWords(const std::u16string& words) {
  MutexLock lock(frameMutex_);
  viewLostWords_ = words;
}

void Plugin::Tune(const Detection& detection, LateOverlays* late) {
  if (detection.compared) tuning_.AfterDetection(detector_, detection.params, platform_.TickCount());
  if (format_.recording != 0) return;
  const int32_t sensitive = detection.compared ? detection.params.sensitive : working_.Sensitive;
  tuning_.Labels(grid_, detector_.state(), sensitive, &late->labels);
  late->canvas = canvas_;
  late->columns = grid_.columns();
  late->rows = grid_.rows();
  late->loud = working_.AlarmColor;
  late->quiet = working_.GridColor;
}

void Plugin::Close() {
  if (IsDialogOpen()) dialog_->DestroyDialog();
  {
    MutexLock lock(frameMutex_);
    if (actions_.guard() == 0) actions_.StopAtClose();
    tuning_.Close();
    grid_.FreeCells();
    initialised_ = false;
    stored_ = WithActionState();
  }
  if (caption_) caption_->OnClose();
  if (!store_.Open(true)) return;
  store_.WriteSectionHeader(kSettingsSection);
  store_.WriteInt("DlgWndPosX", dlgWndPosX_);
  store_.WriteInt("DlgWndPosY", dlgWndPosY_);
  store_.WriteTable(kSettingsTable, kSettingsCount, stored_);
  store_.WriteBounded(kGuardSettings, kGuardSettingsCount, stored_);
  store_.WriteSchedule(stored_.Schedule);
  store_.WriteBounded(kNightSettings, kNightSettingsCount, stored_);
  store_.Close();
}

SettingsRecord Plugin::Settings() const {
  MutexLock lock(frameMutex_);
  return WithActionState();
}

SettingsRecord Plugin::WithActionState() const {
  SettingsRecord r = working_;
  actions_.SaveInto(&r);
  return r;
}

void Plugin::StopAllActions() {
  MutexLock lock(frameMutex_);
  actions_.StopActions(StopKind::Final);
}

void Plugin::ActByHand(HandAction action) {
  MutexLock lock(frameMutex_);
  switch (action) {
    case HandAction::PlaySound: actions_.PlayAlarmSound(); break;
    case HandAction::StopSound: actions_.StopAlarmSound(); break;
    case HandAction::RunTask: actions_.RunExternalTask(); break;
  }
}

int32_t Plugin::ActionGuard() const {
  MutexLock lock(frameMutex_);
  return actions_.guard();
}

bool Plugin::LoadMask(const std::string& path) {
  MutexLock lock(frameMutex_);
  const bool found = grid_.LoadMaskFile(path);
  tuning_.FollowGridSize(grid_.HasCells() ? grid_.cellCount() : 0);
  working_.MinAlarmCells = FitAlarmCells(working_.MinAlarmCells, grid_.cellCount());
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

TuningView Plugin::TuningSnapshot() const {
  MutexLock lock(frameMutex_);
  TuningView view;
  view.status = tuning_.Status();
  view.mask = MaskLocked();
  view.viewWatched = detector_.viewWatched();
  view.viewLost = detector_.viewLost();
  return view;
}

bool Plugin::ApplyProposedSensitivity() {
  MutexLock lock(frameMutex_);
  const int32_t proposed = tuning_.proposed();
  if (proposed < 0) return false;
  working_.Sensitive = proposed;
  return true;
}

void Plugin::UnwatchCells(const std::vector<int32_t>& cells) {
  MutexLock lock(frameMutex_);
  for (int32_t c : cells)
    if (grid_.HasCells() && c >= 0 && c < grid_.cellCount() && grid_.watch()[c])
      grid_.ToggleCell(c % grid_.columns(), c / grid_.columns());
}

MaskCopy Plugin::Mask() const {
  MutexLock lock(frameMutex_);
  return MaskLocked();
}

MaskCopy Plugin::MaskLocked() const {
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

CurrentChannel Plugin::currentChannel() const {
  MutexLock lock(frameMutex_);
  return CurrentChannel{currentId0_, currentId1_, currentName_};
}

HostWindowHandles Plugin::hostWindows() const {
  MutexLock lock(frameMutex_);
  return hostWindows_;
}

StreamFormat Plugin::format() const {
  MutexLock lock(frameMutex_);
  return format_;
}

HostChannels Plugin::hostChannels() const {
  MutexLock lock(frameMutex_);
  return HostChannels{getChannel_, context_};
}

int32_t Plugin::warmUp() const {
  MutexLock lock(frameMutex_);
  return warmUp_;
}

}  // namespace qlv
