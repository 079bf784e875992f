#include <thread>

#include "test_thread.h"

namespace qlv {

struct TestThread::State {
  std::thread thread;
};

TestThread::TestThread(std::function<void()> body) : state_(new State{std::thread(std::move(body))}) {}
TestThread::~TestThread() { join(); }
void TestThread::join() {
  if (state_->thread.joinable()) state_->thread.join();
}

void YieldThread() { std::this_thread::yield(); }

}  // namespace qlv
