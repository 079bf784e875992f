// The dialog's way to the working settings: the plug-in's commands, which hold the
// frame lock for the read or the store alone, never across a call into the host or a
// message box.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "plugin/plugin.h"
#include "ui/channel_list.h"

namespace qlv {

class SettingsAccess {
 public:
  explicit SettingsAccess(Plugin& plugin) : plugin_(plugin) {}

  template <typename T>
  T Get(T SettingsRecord::*field) {
    return plugin_.Setting(field);
  }
  template <typename T>
  void Set(T SettingsRecord::*field, const std::common_type_t<T>& value) {
    plugin_.SetSetting(field, value);
  }

  ChannelPair Watched() { return PairOfSetting(Get(&SettingsRecord::ChannelIdx)); }
  void SetWatched(ChannelPair pair) { Set(&SettingsRecord::ChannelIdx, SettingOfPair(pair)); }

  // The channel the frame driver saw last.
  ChannelPair Current() {
    const CurrentChannel c = plugin_.currentChannel();
    return ChannelPair{c.id0, c.id1};
  }
  std::string CurrentName() { return plugin_.currentChannel().name; }
  // Cells of the grid as it is now (0 while it has none).
  int32_t CellCount() { return plugin_.Mask().cellCount(); }

 private:
  Plugin& plugin_;
};

}  // namespace qlv
