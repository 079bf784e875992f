#include "command_log.h"
#include "platform/mutex.h"

namespace hostsim {

void CommandLog::Add(const LoggedCommand& c) {
  qlv::MutexLock lock(mutex_);
  entries_.push_back(c);
}

std::vector<LoggedCommand> CommandLog::Entries() const {
  qlv::MutexLock lock(mutex_);
  return entries_;
}

size_t CommandLog::Count() const {
  qlv::MutexLock lock(mutex_);
  return entries_.size();
}

size_t CommandLog::CountOf(uint32_t code) const {
  qlv::MutexLock lock(mutex_);
  size_t n = 0;
  for (const LoggedCommand& c : entries_) n += c.code == code;
  return n;
}

void CommandLog::Clear() {
  qlv::MutexLock lock(mutex_);
  entries_.clear();
}

}  // namespace hostsim
