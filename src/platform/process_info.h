// The record of a started process, kept with the settings between alarms.
#pragma once

#include <cstdint>

namespace qlv {

// The platform's process-information record, in its own order. Handles are
// 32-bit values of the process that created them.
struct ProcessInfo {
  uint32_t hProcess = 0;
  uint32_t hThread = 0;
  uint32_t processId = 0;
  uint32_t threadId = 0;
};

}  // namespace qlv
