#include "child_process.h"

#include "plugin_loader.h"

namespace hosttest {

ChildProcess::~ChildProcess() {
  if (!info_.hProcess) return;
  if (!Ended()) TerminateProcess(info_.hProcess, 9);
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool ChildProcess::Start(const std::string& exe, const std::string& args, bool quiet) {
  if (info_.hProcess) return false;
  std::string line = "\"" + exe + "\" " + args;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE nul = quiet ? CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr)
                     : INVALID_HANDLE_VALUE;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (nul != INVALID_HANDLE_VALUE) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
  }
  const BOOL started = CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, nul != INVALID_HANDLE_VALUE, 0, nullptr,
                                      hostsim::ExecutableFolder().c_str(), &si, &info_);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) info_ = {};
  return started != FALSE;
}

bool ChildProcess::Ended() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }

bool ChildProcess::Wait(DWORD ms, DWORD* code) {
  if (!info_.hProcess) return false;
  if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) {
    TerminateProcess(info_.hProcess, 9);
    return false;
  }
  return GetExitCodeProcess(info_.hProcess, code) != FALSE;
}

}  // namespace hosttest
