// A thread for tests: std::thread natively (the thread sanitizer knows it), the system's
// thread on Windows, whose win32 thread model has no std::thread.
#pragma once

#include <functional>
#include <memory>

namespace qlv {

class TestThread {
 public:
  explicit TestThread(std::function<void()> body);
  ~TestThread();  // joins
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;
  void join();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Lets another thread run.
void YieldThread();

}  // namespace qlv
