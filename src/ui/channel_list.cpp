#include "ui/channel_list.h"

#include <cstdio>

#include "res/resource.h"

namespace qlv {

ChannelPair PairOfSetting(int64_t channelIdx) {
  const uint64_t u = static_cast<uint64_t>(channelIdx);
  return ChannelPair{static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32)};
}

int64_t SettingOfPair(const ChannelPair& pair) {
  return static_cast<int64_t>((static_cast<uint64_t>(pair.id1) << 32) | pair.id0);
}

std::string ChannelName(const ChannelInfo& info) {
  const char* name = info.name;
  size_t n = 0;
  while (n < kMaxChannelNameBytes && name[n] != '\0') ++n;
  return std::string(name, n);
}

void ChannelListModel::Build(const ChannelLookup& lookup, const std::string& notSelectedText,
                             ChannelPair watched) {
  items_.clear();
  items_.push_back(ChannelItem{kNoChannelItem, notSelectedText});
  selection_ = 0;
  auto add = [&](int32_t index, const ChannelInfo& info, std::string text) {
    items_.push_back(ChannelItem{index, std::move(text)});
    if (ChannelPair{info.id0, info.id1} == watched) selection_ = items_.size() - 1;
  };
  for (int32_t n = 0; n < kMaxChannelItemsPerList; ++n) {
    const int32_t index = kFirstSourceIndex - n;
    const ChannelInfo* info = lookup ? lookup(index) : nullptr;
    if (!info) break;
    add(index, *info, ChannelName(*info));
  }
  for (int32_t index = 0; index < kMaxChannelItemsPerList; ++index) {
    const ChannelInfo* info = lookup ? lookup(index) : nullptr;
    if (!info) break;
    char number[16];
    std::snprintf(number, sizeof number, "%d - ", static_cast<int>(index) + 1);
    add(index, *info, number + ChannelName(*info));
  }
}

ChannelPair ChannelListModel::PairOf(const ChannelLookup& lookup, size_t index) const {
  if (index >= items_.size() || items_[index].value == kNoChannelItem || !lookup) return ChannelPair{};
  const ChannelInfo* info = lookup(items_[index].value);
  if (!info) return ChannelPair{};
  return ChannelPair{info->id0, info->id1};
}

ChannelPair ChannelListModel::OnSelectionChanged(const ChannelLookup& lookup, size_t index) {
  Select(index);
  return PairOf(lookup, index);
}

ChannelPair ChannelListModel::OnChannelButton(const ChannelLookup& lookup, ChannelPair watched,
                                              ChannelPair current) {
  if (watched == current) {
    selection_ = 0;
    return ChannelPair{};
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    if (PairOf(lookup, i) == current) {
      selection_ = i;
      return current;
    }
  }
  return watched;
}

uint32_t ChannelButtonIcon(ChannelPair watched, ChannelPair current) {
  return watched == current ? IDI_CHANNEL_CURRENT : IDI_CHANNEL_OTHER;
}

}  // namespace qlv
