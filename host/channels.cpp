#include "channels.h"
#include "platform/mutex.h"

#include <atomic>
#include <cstring>

namespace hostsim {

namespace {
std::atomic<ChannelList*> g_current{nullptr};
}

ChannelList::ChannelList() {
  SetChannels({{101, 0, "First"}, {102, 0, "Second"}, {103, 1, "Third"}});
  SetSources({{0x10000, 0, "Composite"}});
}

ChannelList::~ChannelList() {
  ChannelList* self = this;
  g_current.compare_exchange_strong(self, nullptr);
}

std::vector<uint32_t> ChannelList::MakeRecord(const ChannelSpec& c) {
  const size_t bytes = 12 + c.name.size() + 1;
  std::vector<uint32_t> r((bytes + 3) / 4, 0);
  r[0] = c.id0;
  r[1] = c.id1;
  r[2] = 0xC0DEu;  // the host's own word; the plug-in never reads it
  std::memcpy(reinterpret_cast<char*>(r.data()) + 12, c.name.c_str(), c.name.size() + 1);
  return r;
}

void ChannelList::SetChannels(const std::vector<ChannelSpec>& channels) {
  qlv::MutexLock lock(mutex_);
  channels_.clear();
  for (const ChannelSpec& c : channels) channels_.push_back(MakeRecord(c));
}

void ChannelList::SetSources(const std::vector<ChannelSpec>& sources) {
  qlv::MutexLock lock(mutex_);
  sources_.clear();
  for (const ChannelSpec& c : sources) sources_.push_back(MakeRecord(c));
}

qlv::ChannelInfo* ChannelList::Get(int32_t index) {
  qlv::MutexLock lock(mutex_);
  ++calls_;
  std::vector<uint32_t>* r = nullptr;
  if (index >= 0 && static_cast<size_t>(index) < channels_.size()) {
    r = &channels_[static_cast<size_t>(index)];
  } else if (index <= -2 && static_cast<size_t>(-(static_cast<int64_t>(index) + 2)) < sources_.size()) {
    r = &sources_[static_cast<size_t>(-(static_cast<int64_t>(index) + 2))];
  }
  return r ? reinterpret_cast<qlv::ChannelInfo*>(r->data()) : nullptr;
}

size_t ChannelList::channelCount() const {
  qlv::MutexLock lock(mutex_);
  return channels_.size();
}

size_t ChannelList::sourceCount() const {
  qlv::MutexLock lock(mutex_);
  return sources_.size();
}

uint32_t ChannelList::calls() const {
  qlv::MutexLock lock(mutex_);
  return calls_;
}

void ChannelList::MakeCurrent() { g_current = this; }
void ChannelList::ClearCurrent() { g_current = nullptr; }

extern "C" qlv::ChannelInfo* QLV_CDECL HostGetChannel(int32_t index) {
  ChannelList* list = g_current.load();
  return list ? list->Get(index) : nullptr;
}

}  // namespace hostsim
