#include <windows.h>

#include "test_thread.h"

namespace qlv {

struct TestThread::State {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {
DWORD WINAPI Run(void* p) {
  static_cast<TestThread::State*>(p)->body();
  return 0;
}
}  // namespace

TestThread::TestThread(std::function<void()> body) : state_(new State{std::move(body), nullptr}) {
  state_->handle = CreateThread(nullptr, 0, Run, state_.get(), 0, nullptr);
}
TestThread::~TestThread() { join(); }
void TestThread::join() {
  if (!state_->handle) return;
  WaitForSingleObject(state_->handle, INFINITE);
  CloseHandle(state_->handle);
  state_->handle = nullptr;
}

void YieldThread() { SwitchToThread(); }

}  // namespace qlv
