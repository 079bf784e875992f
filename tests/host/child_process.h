// A program a host test starts (hostsim.exe, or this test program itself), ended if
// it still runs and its handles closed on every way out of the test.
#pragma once

#include <windows.h>

#include <string>

namespace hosttest {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Starts `exe` with `args` in the test program's folder; its standard output and
  // error go to NUL when `quiet`, else they are this program's.
  bool Start(const std::string& exe, const std::string& args, bool quiet);
  bool Ended() const;
  // Waits up to `ms` for the end; true with the exit code, false (the child is then
  // ended) when it still ran.
  bool Wait(DWORD ms, DWORD* code);
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

}  // namespace hosttest
