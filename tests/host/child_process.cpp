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
  return Launch(exe, args, quiet ? "NUL" : nullptr, OPEN_EXISTING);
}

bool ChildProcess::StartWithOutput(const std::string& exe, const std::string& args, const std::string& output) {
  return Launch(exe, args, output.c_str(), CREATE_ALWAYS);
}

bool ChildProcess::Launch(const std::string& exe, const std::string& args, const char* output, DWORD disposition) {
  if (info_.hProcess) return false;
  std::string line = "\"" + exe + "\" " + args;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out = output ? CreateFileA(output, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition, 0,
                                    nullptr)
                      : INVALID_HANDLE_VALUE;
  // Without its file the output the caller waits for would go elsewhere.
  if (out == INVALID_HANDLE_VALUE && disposition == CREATE_ALWAYS) return false;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (out != INVALID_HANDLE_VALUE) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
  }
  const BOOL started = CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, out != INVALID_HANDLE_VALUE, 0, nullptr,
                                      hostsim::ExecutableFolder().c_str(), &si, &info_);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
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
