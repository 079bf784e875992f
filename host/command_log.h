// Thread-safe record of the HostCommand messages the host received.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/mutex.h"

namespace hostsim {

struct LoggedCommand {
  uint32_t code;        // wParam of HostCommand
  uint32_t lParam;
  uint32_t tick;        // GetTickCount() when it arrived
  int64_t frameIndex;   // index of the frame being processed then (-1 before the first)
  bool sent;            // true: SendMessage (synchronous), false: PostMessage
};

class CommandLog {
 public:
  void Add(const LoggedCommand& c);
  std::vector<LoggedCommand> Entries() const;
  size_t Count() const;
  size_t CountOf(uint32_t code) const;
  void Clear();

 private:
  mutable qlv::Mutex mutex_;
  std::vector<LoggedCommand> entries_;
};

}  // namespace hostsim
