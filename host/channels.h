// The host's channel list and its list of other sources, served to the plug-in
// through the cdecl GetChannel callback: 0, 1, 2, ... walk the channels, -2, -3,
// ... the other sources; a null result ends a list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/host_api.h"
#include "platform/mutex.h"

namespace hostsim {

struct ChannelSpec {
  uint32_t id0;
  uint32_t id1;
  std::string name;  // ANSI
};

class ChannelList {
 public:
  ChannelList();  // a small default list: three channels and one other source
  ~ChannelList();
  ChannelList(const ChannelList&) = delete;
  ChannelList& operator=(const ChannelList&) = delete;

  void SetChannels(const std::vector<ChannelSpec>& channels);
  void SetSources(const std::vector<ChannelSpec>& sources);

  // The record for an index as GetChannel answers it (null past either list and for -1).
  // Records stay valid until the lists are set again.
  qlv::ChannelInfo* Get(int32_t index);
  size_t channelCount() const;
  size_t sourceCount() const;
  uint32_t calls() const;  // how often Get was asked

  // This list answers the process-wide GetChannel from now on (null: none does).
  void MakeCurrent();
  static void ClearCurrent();

 private:
  // ChannelInfo with its name inline: id0, id1, one host word, then the NUL-terminated name.
  static std::vector<uint32_t> MakeRecord(const ChannelSpec& c);

  mutable qlv::Mutex mutex_;
  std::vector<std::vector<uint32_t>> channels_;
  std::vector<std::vector<uint32_t>> sources_;
  uint32_t calls_ = 0;
};

// The callback handed to the plug-in in HostInitInfo.
extern "C" qlv::ChannelInfo* QLV_CDECL HostGetChannel(int32_t index);

}  // namespace hostsim
