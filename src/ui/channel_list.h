// The settings dialog's channel list: "Channel not selected", the host's other
// sources, then its numbered channels, built from GetChannel answers. The list
// keeps indices only; a pair is asked again whenever it is needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plugin/host_api.h"

namespace qlv {

struct ChannelPair {
  uint32_t id0 = 0;
  uint32_t id1 = 0;
  bool operator==(const ChannelPair& o) const { return id0 == o.id0 && id1 == o.id1; }
  bool operator!=(const ChannelPair& o) const { return !(*this == o); }
  bool IsNone() const { return id0 == 0 && id1 == 0; }
};

ChannelPair PairOfSetting(int64_t channelIdx);   // low word id0, high word id1
int64_t SettingOfPair(const ChannelPair& pair);

// GetChannel as the list sees it: null ends a list.
using ChannelLookup = std::function<const ChannelInfo*(int32_t index)>;

constexpr int32_t kNoChannelItem = -1;        // item value of "Channel not selected"
constexpr int32_t kFirstSourceIndex = -2;     // sources are -2, -3, ...
// A host that never ends a list must not hang the dialog.
constexpr int32_t kMaxChannelItemsPerList = 4096;
// Names are stored in the host's record without a stated length.
constexpr size_t kMaxChannelNameBytes = 255;

struct ChannelItem {
  int32_t value;     // GetChannel index, or kNoChannelItem
  std::string text;  // as shown
};

// The channel's name, read up to its NUL or kMaxChannelNameBytes.
std::string ChannelName(const ChannelInfo& info);

class ChannelListModel {
 public:
  // Rebuilds the items; the selection is the last item whose pair equals
  // `watched`, else item 0 ("Channel not selected").
  void Build(const ChannelLookup& lookup, const std::string& notSelectedText, ChannelPair watched);

  const std::vector<ChannelItem>& items() const { return items_; }
  size_t selection() const { return selection_; }
  void Select(size_t index) { if (index < items_.size()) selection_ = index; }

  // The pair an item stands for now: (0, 0) for "Channel not selected", for an
  // index out of range, and for a channel the host no longer answers.
  ChannelPair PairOf(const ChannelLookup& lookup, size_t index) const;

  // The user picked item `index`: the new watched pair.
  ChannelPair OnSelectionChanged(const ChannelLookup& lookup, size_t index);

  // The channel button: watch the channel shown now, or stop watching it when it
  // is watched already. Returns the new watched pair; the selection follows.
  // A current channel that no item stands for changes nothing.
  ChannelPair OnChannelButton(const ChannelLookup& lookup, ChannelPair watched, ChannelPair current);

 private:
  std::vector<ChannelItem> items_;
  size_t selection_ = 0;
};

// The channel button's icon: the current channel is the watched one, or not.
uint32_t ChannelButtonIcon(ChannelPair watched, ChannelPair current);

}  // namespace qlv
