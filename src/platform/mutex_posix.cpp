#include <mutex>
#include <new>

#include "platform/mutex.h"

namespace qlv {

namespace {
std::mutex* Native(unsigned char* storage) { return std::launder(reinterpret_cast<std::mutex*>(storage)); }
}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(std::mutex) <= sizeof(storage_) && alignof(std::mutex) <= 16, "storage too small");
  new (storage_) std::mutex();
}
Mutex::~Mutex() { Native(storage_)->~mutex(); }
void Mutex::Lock() QLV_NO_THREAD_SAFETY_ANALYSIS { Native(storage_)->lock(); }
void Mutex::Unlock() QLV_NO_THREAD_SAFETY_ANALYSIS { Native(storage_)->unlock(); }
bool Mutex::TryLock() QLV_NO_THREAD_SAFETY_ANALYSIS { return Native(storage_)->try_lock(); }

}  // namespace qlv
