// The Platform of the real plug-in: thin calls into user32, kernel32 and winmm.
#pragma once

#include "platform/platform.h"

namespace qlv {

class Win32Platform : public Platform {
 public:
  uint32_t TickCount() override;
  int64_t Now() override;
  WindowHandle FindTopWindow(const char* className, const char* title) override;
  WindowHandle FindChildWindow(WindowHandle parent, const char* title) override;
  void PostMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
  intptr_t SendMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
  void PlaySoundFile(const char* file, uint32_t flags) override;
  bool StartProcess(const std::string& commandLine, ProcessInfo* pi) override;
  bool ProcessExitCode(uint32_t hProcess, uint32_t* code) override;
  void CloseHandleValue(uint32_t h) override;
  bool FileExists(const std::string& path) override;
};

}  // namespace qlv
