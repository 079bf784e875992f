// The plug-in's lock: a critical section on Windows, std::mutex natively (so that the
// thread sanitizer sees it). Not shared, and never taken again by its holder: the critical
// section would let it through, std::mutex would hang.
#pragma once

#include <cstddef>

#include "platform/thread_annotations.h"

namespace qlv {

class QLV_CAPABILITY("mutex") Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() QLV_ACQUIRE();
  void Unlock() QLV_RELEASE();
  bool TryLock() QLV_TRY_ACQUIRE(true);

 private:
  // Room for the system's lock object, made in place by the platform's file.
  alignas(16) unsigned char storage_[64];
};

// Holds a Mutex for its scope.
class QLV_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& m) QLV_ACQUIRE(m) : m_(m) { m_.Lock(); }
  ~MutexLock() QLV_RELEASE() { m_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& m_;
};

}  // namespace qlv
