#include "player.h"

#include <vector>

#include "plugin/host_commands.h"

namespace hostsim {

namespace {

// Posted by the frame thread after each frame. Posts from one thread reach the
// user-interface thread in order, so when this one is handled every HostCommand
// the plug-in posted during the frame has been handled before it.
constexpr UINT kSyncMessage = WM_APP + 17;
constexpr UINT kUiTaskMessage = WM_APP + 18;  // wParam: frame index; lParam: event to set after
const char kSyncClass[] = "HostsimFrameSync";

}  // namespace

LRESULT CALLBACK Player::SyncProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kSyncMessage) {
    SetEvent(reinterpret_cast<HANDLE>(lp));
    return 0;
  }
  if (msg == kUiTaskMessage) {
    if (auto* self = reinterpret_cast<Player*>(GetWindowLongPtrA(w, GWLP_USERDATA))) self->RunUiTask(static_cast<int64_t>(wp));
    SetEvent(reinterpret_cast<HANDLE>(lp));
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

namespace {

HWND CreateSyncWindow(WNDPROC proc) {
  static ATOM atom = [proc] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSyncClass;
    return RegisterClassA(&wc);
  }();
  if (!atom) return nullptr;
  return CreateWindowExA(0, kSyncClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

Player::Player(const qlv::PluginRecord& plugin, HostWindows& windows,
               std::function<qlv::ChannelInfo*(int64_t)> channelAt)
    : plugin_(plugin), windows_(windows), channelAt_(std::move(channelAt)) {}

Player::~Player() {
  if (syncWindow_) DestroyWindow(syncWindow_);
  if (syncEvent_) CloseHandle(syncEvent_);
  if (starting_) CloseHandle(starting_);
  if (stalling_) CloseHandle(stalling_);
}

void Player::DispatchCommands(const PlayerOutputs& outputs) {
  std::vector<LoggedCommand> entries = windows_.log().Entries();
  for (; dispatched_ < entries.size(); ++dispatched_) {
    const LoggedCommand& c = entries[dispatched_];
    if (outputs.eventsCsv)
      std::fprintf(outputs.eventsCsv, "%lld,%lu,%lu,%s\n", static_cast<long long>(c.frameIndex),
                   static_cast<unsigned long>(c.tick), static_cast<unsigned long>(c.code), qlv::HostCommandName(c.code));
    if (outputs.recorder) outputs.recorder->OnCommand(c.code, c.frameIndex);
  }
  if (outputs.eventsCsv) std::fflush(outputs.eventsCsv);
}

PlayerResult Player::Play(FrameSource& source, const PlayerConfig& config, const PlayerOutputs& outputs) {
  source_ = &source;
  config_ = config;
  outputs_ = outputs;
  result_ = PlayerResult();
  stop_ = false;
  if (!syncWindow_) syncWindow_ = CreateSyncWindow(&Player::SyncProc);
  if (syncWindow_) SetWindowLongPtrA(syncWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (!syncEvent_) syncEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!starting_) starting_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!stalling_) stalling_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(starting_);
  ResetEvent(stalling_);
  startReturned_ = false;

  HANDLE thread = CreateThread(nullptr, 0, FrameThreadMain, this, 0, nullptr);
  if (!thread) return result_;
  bool stalled = config_.stallUiMs == 0;
  for (;;) {
    HANDLE waits[2] = {thread, starting_};
    const DWORD count = stalled ? 1 : 2;  // WAIT_OBJECT_0 + count: a message arrived
    DWORD w = MsgWaitForMultipleObjects(count, waits, FALSE, INFINITE, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) break;
    if (count == 2 && w == WAIT_OBJECT_0 + 1) {
      stalled = true;
      SetEvent(stalling_);
      Sleep(config_.stallUiMs);  // no message is pumped meanwhile
      result_.startReturnedInStall = startReturned_;
      continue;
    }
    if (!HostWindows::PumpMessages()) stop_ = true;  // the host window was closed
  }
  CloseHandle(thread);
  HostWindows::PumpMessages();
  DispatchCommands(outputs_);
  if (config_.progress) std::fputc('\n', stderr);
  source_ = nullptr;
  return result_;
}

DWORD WINAPI Player::FrameThreadMain(void* self) {
  static_cast<Player*>(self)->FrameLoop();
  return 0;
}

void Player::WaitForHostQueue() {
  if (!syncWindow_ || !syncEvent_) return;
  if (!PostMessageA(syncWindow_, kSyncMessage, 0, reinterpret_cast<LPARAM>(syncEvent_))) return;
  if (WaitForSingleObject(syncEvent_, config_.syncTimeoutMs) != WAIT_OBJECT_0) result_.syncTimedOut = true;
}

void Player::RunUiTask(int64_t frame) {
  if (config_.uiTask) config_.uiTask(frame);
}

void Player::StallIfAsked() {
  if (config_.stallUiMs == 0 || !starting_ || !stalling_) return;
  SetEvent(starting_);
  WaitForSingleObject(stalling_, INFINITE);
}

void Player::ShowFrame(const uint8_t* frame) {
  HWND movie = windows_.movieWindow();
  if (!movie) return;
  // Converting and drawing costs more than the plug-in under emulation: a few times a second is enough.
  DWORD now = GetTickCount();
  if (shownOnce_ && now - lastShown_ < 200) return;
  shownOnce_ = true;
  lastShown_ = now;
  FrameToDib24(config_.layout, frame, &dib_);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = config_.layout.width;
  bi.bmiHeader.biHeight = config_.layout.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  RECT rc;
  GetClientRect(movie, &rc);
  HDC dc = GetDC(movie);
  if (!dc) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, config_.layout.width, config_.layout.height, dib_.data(), &bi,
                DIB_RGB_COLORS, SRCCOPY);
  ReleaseDC(movie, dc);
}

void Player::FrameLoop() {
  qlv::StreamFormat format = {};
  format.width = config_.layout.width;
  format.height = config_.layout.height;
  format.third = config_.layout.BytesPerPixel() * 8;
  format.pixelFormat = config_.layout.format;
  format.processorClass = config_.processorClass;
  format.recording = config_.recording;
  StallIfAsked();
  const DWORD startBegin = GetTickCount();
  if (plugin_.start) result_.startResult = plugin_.start(&format);
  result_.startMs = GetTickCount() - startBegin;
  startReturned_ = true;
  WaitForHostQueue();
  DispatchCommands(outputs_);

  std::vector<uint8_t> frame(config_.layout.FrameBytes());
  LARGE_INTEGER ticksPerSecond;
  QueryPerformanceFrequency(&ticksPerSecond);
  const DWORD begin = GetTickCount();
  int64_t i = 0;
  for (; !stop_ && (config_.maxFrames < 0 || i < config_.maxFrames); ++i) {
    if (!source_->Next(frame.data()) && !(config_.loop && source_->Rewind() && source_->Next(frame.data()))) break;
    qlv::HostFrame hf = {};
    hf.pixels = frame.data();
    hf.channel = channelAt_ ? channelAt_(i) : nullptr;
    windows_.SetFrameIndex(i);
    LARGE_INTEGER t0, t1;
    if (config_.timing) QueryPerformanceCounter(&t0);
    int r = plugin_.processFrame ? plugin_.processFrame(&hf) : 0;
    double us = 0;
    if (config_.timing) {
      QueryPerformanceCounter(&t1);
      us = static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(ticksPerSecond.QuadPart);
      result_.callUs.push_back(us);
      if (r) result_.processedUs.push_back(us);
    }
    ++result_.frames;
    if (r) ++result_.processed;
    WaitForHostQueue();
    DispatchCommands(outputs_);
    if (config_.afterFrame) config_.afterFrame(i);
    if (config_.uiTaskEvery > 0 && i > 0 && i % config_.uiTaskEvery == 0 && syncWindow_ && syncEvent_ &&
        PostMessageA(syncWindow_, kUiTaskMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(syncEvent_)))
      WaitForSingleObject(syncEvent_, config_.syncTimeoutMs);
    if (outputs_.framesCsv) {
      if (config_.timing)
        std::fprintf(outputs_.framesCsv, "%lld,%d,%.1f\n", static_cast<long long>(i), r, us);
      else
        std::fprintf(outputs_.framesCsv, "%lld,%d\n", static_cast<long long>(i), r);
    }
    if (outputs_.recorder) outputs_.recorder->OnFrame(i, frame.data());
    if (outputs_.framesRaw) source_->WriteInputLayout(outputs_.framesRaw, frame.data());
    ShowFrame(frame.data());
    if (config_.progress && (i % 10 == 0 || i + 1 == config_.maxFrames)) {
      char total[32] = "";
      if (config_.maxFrames >= 0) std::snprintf(total, sizeof total, "/%lld", static_cast<long long>(config_.maxFrames));
      std::fprintf(stderr, "\rframe %lld%s  processed %lld  host commands %u   ", static_cast<long long>(i + 1), total,
                   static_cast<long long>(result_.processed), static_cast<unsigned>(windows_.log().Count()));
    }
    if (config_.fps > 0.0) {
      const DWORD due = begin + static_cast<DWORD>((i + 1) * 1000.0 / config_.fps);
      const DWORD now = GetTickCount();
      if (static_cast<int32_t>(due - now) > 0) Sleep(due - now);
    }
  }
  // Commands of the close that follows belong after the last frame.
  windows_.SetFrameIndex(i);
  if (outputs_.framesCsv) std::fflush(outputs_.framesCsv);
}

}  // namespace hostsim
