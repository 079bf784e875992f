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
  // The same with its standard output and error written to the file `output`.
  bool StartWithOutput(const std::string& exe, const std::string& args, const std::string& output);
  bool Ended() const;
  // Waits up to `ms` for the end; true with the exit code, false (the child is then
  // ended) when it still ran.
  bool Wait(DWORD ms, DWORD* code);
  DWORD id() const { return info_.dwProcessId; }

 private:
  // `output`: the file for its standard output and error (null: this program's).
  bool Launch(const std::string& exe, const std::string& args, const char* output, DWORD disposition);

  PROCESS_INFORMATION info_ = {};
};

}  // namespace hosttest
