// What the portable core needs from the operating system. The Win32
// implementation is thin; tests pass a fake that records every call.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process_info.h"

namespace qlv {

using WindowHandle = uintptr_t;  // 0: no window

class Platform {
 public:
  virtual ~Platform() = default;

  // Milliseconds since system start, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  // Calendar time in whole seconds.
  virtual int64_t Now() = 0;

  // Window search by class and whole title; child search by title (any class).
  virtual WindowHandle FindTopWindow(const char* className, const char* title) = 0;
  virtual WindowHandle FindChildWindow(WindowHandle parent, const char* title) = 0;
  // Asynchronous; fails silently when the window is 0 or gone.
  virtual void PostMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
  // Synchronous, but never waits longer than kHostAnswerTimeoutMs, nor at all for
  // a hung window; returns 0 (no answer) when the window is 0 or gone, or does
  // not answer in time.
  virtual intptr_t SendMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;

  // The wave-sound call: file may be null (stop), flags as the platform's.
  virtual void PlaySoundFile(const char* file, uint32_t flags) = 0;

  // Starts a command line (no application name, no inherited handles, no flags,
  // the host's environment and folder). On failure returns false and leaves *pi zero.
  virtual bool StartProcess(const std::string& commandLine, ProcessInfo* pi) = 0;
  // Exit code of a process created by this process; false when it cannot be asked.
  virtual bool ProcessExitCode(uint32_t hProcess, uint32_t* code) = 0;
  virtual void CloseHandleValue(uint32_t h) = 0;
  virtual bool FileExists(const std::string& path) = 0;
};

// A host whose interface thread waits for its frame thread cannot answer: a
// query from the frame thread then gives up after this long.
constexpr uint32_t kHostAnswerTimeoutMs = 3000;

constexpr uint32_t kStillActive = 259;
// sndPlaySoundA flags
constexpr uint32_t kSndAsync = 0x0001;
constexpr uint32_t kSndLoop = 0x0008;
constexpr uint32_t kSndNoStop = 0x0010;

}  // namespace qlv
