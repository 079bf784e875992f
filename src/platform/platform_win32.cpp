#include "platform/platform_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <ctime>
#include <vector>

namespace qlv {
namespace {

HWND ToHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
HANDLE ToHandle(uint32_t h) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(h)); }
uint32_t FromHandle(HANDLE h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }

}  // namespace

uint32_t Win32Platform::TickCount() { return GetTickCount(); }

int64_t Win32Platform::Now() { return static_cast<int64_t>(std::time(nullptr)); }

WindowHandle Win32Platform::FindTopWindow(const char* className, const char* title) {
  return reinterpret_cast<WindowHandle>(FindWindowA(className, title));
}

WindowHandle Win32Platform::FindChildWindow(WindowHandle parent, const char* title) {
  if (!parent) return 0;
  return reinterpret_cast<WindowHandle>(FindWindowExA(ToHwnd(parent), nullptr, nullptr, title));
}

// A null window would post to this thread's own queue: that is not the host.
void Win32Platform::PostMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (w) PostMessageA(ToHwnd(w), msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

intptr_t Win32Platform::SendMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (!w) return 0;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(ToHwnd(w), msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                           SMTO_NORMAL | SMTO_ABORTIFHUNG, kHostAnswerTimeoutMs, &answer))
    return 0;
  return static_cast<intptr_t>(answer);
}

void Win32Platform::PlaySoundFile(const char* file, uint32_t flags) { sndPlaySoundA(file, flags); }

bool Win32Platform::StartProcess(const std::string& commandLine, ProcessInfo* pi) {
  *pi = ProcessInfo();
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  // CreateProcessA may write into the command line: give it a private copy.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info)) return false;
  pi->hProcess = FromHandle(info.hProcess);
  pi->hThread = FromHandle(info.hThread);
  pi->processId = info.dwProcessId;
  pi->threadId = info.dwThreadId;
  return true;
}

bool Win32Platform::ProcessExitCode(uint32_t hProcess, uint32_t* code) {
  DWORD c = 0;
  if (!GetExitCodeProcess(ToHandle(hProcess), &c)) return false;
  *code = c;
  return true;
}

void Win32Platform::CloseHandleValue(uint32_t h) { CloseHandle(ToHandle(h)); }

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace qlv
