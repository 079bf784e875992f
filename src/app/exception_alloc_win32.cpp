// The runtime's exception allocator, without its emergency pool: that pool's lock is a
// system semaphore made at every load of the library and never closed. Each thrown
// object gets the runtime's header in front of it, as the C++ ABI lays it out.
#include <unwind.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace {

// The runtime's own records, field for field (its unwind-cxx.h).
struct CxaException {
  std::type_info* exceptionType;
  void (*exceptionDestructor)(void*);
  std::terminate_handler unexpectedHandler;
  std::terminate_handler terminateHandler;
  CxaException* nextException;
  int handlerCount;
  int handlerSwitchValue;
  const unsigned char* actionRecord;
  const unsigned char* languageSpecificData;
  _Unwind_Ptr catchTemp;
  void* adjustedPtr;
  _Unwind_Exception unwindHeader;
};

struct CxaRefcountedException {
  int referenceCount;
  CxaException exc;
};

constexpr size_t kHeader = sizeof(CxaRefcountedException);
// The runtime's dependent record has the same fields but for its first two pointers.
constexpr size_t kDependent = sizeof(CxaException);

// One object at a time for a throw when the heap is exhausted (std::bad_alloc itself).
constexpr size_t kReserve = 1024;
alignas(16) unsigned char g_reserve[kReserve];
std::atomic<bool> g_reserveTaken{false};

void* Allocate(size_t bytes) {
  if (void* p = std::malloc(bytes)) return p;
  bool expected = false;
  if (bytes <= kReserve && g_reserveTaken.compare_exchange_strong(expected, true)) return g_reserve;
  std::terminate();
}

void Free(void* p) {
  if (p == g_reserve) {
    g_reserveTaken = false;
    return;
  }
  std::free(p);
}

}  // namespace

extern "C" {

void* __cxa_allocate_exception(size_t thrownSize) noexcept {
  auto* base = static_cast<unsigned char*>(Allocate(thrownSize + kHeader));
  std::memset(base, 0, kHeader);
  return base + kHeader;
}

void __cxa_free_exception(void* thrown) noexcept { Free(static_cast<unsigned char*>(thrown) - kHeader); }

void* __cxa_allocate_dependent_exception() noexcept {
  void* p = Allocate(kDependent);
  std::memset(p, 0, kDependent);
  return p;
}

void __cxa_free_dependent_exception(void* p) noexcept { Free(p); }

}  // extern "C"

namespace qlv {
// For the test that checks the header against the runtime's own reading of it.
size_t ExceptionHeaderBytes() { return kHeader; }
}  // namespace qlv

namespace __gnu_cxx {
// The runtime's hook for leak checkers, whose pool this file replaces: nothing to free.
void __freeres() noexcept {}
}  // namespace __gnu_cxx
