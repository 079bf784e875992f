#include <windows.h>

#include <new>

#include "platform/mutex.h"

namespace qlv {

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }
}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(CRITICAL_SECTION) <= sizeof(storage_), "storage too small");
  InitializeCriticalSection(Section(storage_));
}
Mutex::~Mutex() { DeleteCriticalSection(Section(storage_)); }
void Mutex::Lock() { EnterCriticalSection(Section(storage_)); }
void Mutex::Unlock() { LeaveCriticalSection(Section(storage_)); }
bool Mutex::TryLock() { return TryEnterCriticalSection(Section(storage_)) != 0; }

}  // namespace qlv
