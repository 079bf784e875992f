// The dialog's way to the working settings. The frame thread reads them under
// the plug-in's frame lock, so every write here holds that lock for the store
// alone: never across a call into the host or a message box.
#pragma once

#include <string>

#include "plugin/plugin.h"
#include "ui/channel_list.h"

namespace qlv {

class SettingsAccess {
 public:
  explicit SettingsAccess(Plugin& plugin) : plugin_(plugin) {}

  template <typename T>
  T Get(T SettingsRecord::*field) {
    auto lock = plugin_.LockGrid();
    return plugin_.working().*field;
  }
  template <typename T>
  void Set(T SettingsRecord::*field, T value) {
    auto lock = plugin_.LockGrid();
    plugin_.working().*field = value;
  }

  ChannelPair Watched() { return PairOfSetting(Get(&SettingsRecord::ChannelIdx)); }
  void SetWatched(ChannelPair pair) { Set(&SettingsRecord::ChannelIdx, SettingOfPair(pair)); }

  // The channel the frame driver saw last.
  ChannelPair Current() {
    auto lock = plugin_.LockGrid();
    return ChannelPair{plugin_.currentId0(), plugin_.currentId1()};
  }
  std::string CurrentName() { return plugin_.CurrentChannelName(); }

  Plugin& plugin() { return plugin_; }

 private:
  Plugin& plugin_;
};

}  // namespace qlv
