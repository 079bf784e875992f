// What a long-running host watches in its own process: private memory, open
// handles, GDI objects, and the GDI objects one loaded module has made. Wine
// answers some of the system's counters with 0; each figure says where it came from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace hostsim {

struct ProcessCounters {
  uint64_t privateBytes = 0;
  const char* privateSource = "";  // "private usage" or, under Wine, "anonymous resident"
  uint32_t handles = 0;
  const char* handleSource = "";   // "handle count" or "handle probe"
  uint32_t gdiObjects = 0;         // 0 where the system does not count them
};

ProcessCounters ReadProcessCounters();

// Counts the GDI objects (and image lists) that one module creates and has not
// deleted, by redirecting that module's imports from gdi32 and comctl32. One
// module at a time; attach again after every load.
class ModuleGdiWatch {
 public:
  // Redirects the imports of `module`; false when it imports none of them.
  static bool Attach(HMODULE module);
  // Objects the module made and has not deleted since the first Attach.
  static uint32_t Live();
  static uint64_t Created();
  static uint64_t Deleted();
};

}  // namespace hostsim
