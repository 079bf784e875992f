#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/channel_list.h"

namespace qlv {
namespace {

// A host channel table as GetChannel serves it: records with the name inline.
class FakeChannels {
 public:
  void Add(int32_t index, uint32_t id0, uint32_t id1, const std::string& name) {
    std::vector<char>& rec = records_[index];
    rec.assign(12 + name.size() + 1, '\0');
    std::memcpy(rec.data(), &id0, 4);
    std::memcpy(rec.data() + 4, &id1, 4);
    std::memcpy(rec.data() + 12, name.c_str(), name.size() + 1);
  }
  void Remove(int32_t index) { records_.erase(index); }
  ChannelLookup Lookup() {
    return [this](int32_t index) -> const ChannelInfo* {
      asked.push_back(index);
      auto it = records_.find(index);
      return it == records_.end() ? nullptr : reinterpret_cast<const ChannelInfo*>(it->second.data());
    };
  }
  std::vector<int32_t> asked;

 private:
  std::map<int32_t, std::vector<char>> records_;
};

std::vector<std::string> Texts(const ChannelListModel& m) {
  std::vector<std::string> out;
  for (const ChannelItem& i : m.items()) out.push_back(i.text);
  return out;
}

class ChannelListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.Add(-2, 900, 1, "AV input");
    host_.Add(-3, 901, 1, "S-Video");
    host_.Add(0, 10, 0, "First");
    host_.Add(1, 11, 0, "Second");
    host_.Add(2, 12, 7, "Third");
  }
  FakeChannels host_;
  ChannelListModel list_;
};

TEST_F(ChannelListTest, SourcesThenNumberedChannelsWithTheirIndicesAndTheWatchedOneSelected) {
  list_.Build(host_.Lookup(), "Channel not selected", ChannelPair{11, 0});
  EXPECT_EQ(Texts(list_), (std::vector<std::string>{"Channel not selected", "AV input", "S-Video", "1 - First",
                                                     "2 - Second", "3 - Third"}));
  std::vector<int32_t> values;
  for (const ChannelItem& i : list_.items()) values.push_back(i.value);
  EXPECT_EQ(values, (std::vector<int32_t>{-1, -2, -3, 0, 1, 2}));
  EXPECT_EQ(list_.selection(), 4u);
  // Each list is walked to its first null; -1 is never asked.
  EXPECT_EQ(host_.asked, (std::vector<int32_t>{-2, -3, -4, 0, 1, 2, 3}));

  // Both words must match: (12, 0) is not (12, 7).
  list_.Build(host_.Lookup(), "Channel not selected", ChannelPair{12, 0});
  EXPECT_EQ(list_.selection(), 0u);
  list_.Build(host_.Lookup(), "Channel not selected", ChannelPair{12, 7});
  EXPECT_EQ(list_.selection(), 5u);
}

TEST_F(ChannelListTest, TheLastItemWithTheWatchedPairWinsAndAnUnlistedPairSelectsNothing) {
  host_.Add(-3, 11, 0, "Second again as a source");
  list_.Build(host_.Lookup(), "x", ChannelPair{11, 0});
  EXPECT_EQ(list_.selection(), 4u);
  list_.Build(host_.Lookup(), "x", ChannelPair{99, 0});
  EXPECT_EQ(list_.selection(), 0u);
  FakeChannels empty;
  list_.Build(empty.Lookup(), "x", ChannelPair{});
  EXPECT_EQ(Texts(list_), std::vector<std::string>{"x"});
  list_.Build(nullptr, "x", ChannelPair{});
  EXPECT_EQ(list_.items().size(), 1u);
}

TEST_F(ChannelListTest, SelectionGivesTheHostsPairAndAChannelGoneSinceCountsAsNotSelected) {
  list_.Build(host_.Lookup(), "x", ChannelPair{});
  EXPECT_EQ(list_.OnSelectionChanged(host_.Lookup(), 5), (ChannelPair{12, 7}));
  EXPECT_EQ(list_.selection(), 5u);
  EXPECT_EQ(list_.OnSelectionChanged(host_.Lookup(), 2), (ChannelPair{901, 1}));
  EXPECT_EQ(list_.OnSelectionChanged(host_.Lookup(), 0), (ChannelPair{}));
  // The host's list shrank while the dialog was open: the index answers null.
  host_.Remove(2);
  EXPECT_EQ(list_.OnSelectionChanged(host_.Lookup(), 5), (ChannelPair{}));
  EXPECT_EQ(list_.PairOf(host_.Lookup(), 99), (ChannelPair{}));
}

TEST_F(ChannelListTest, ChannelButtonWatchesTheShownChannelThenClearsTheChoice) {
  const ChannelPair shown{11, 0};
  list_.Build(host_.Lookup(), "x", ChannelPair{});
  EXPECT_EQ(ChannelButtonIcon(ChannelPair{}, shown), uint32_t{IDI_CHANNEL_OTHER});

  ChannelPair watched = list_.OnChannelButton(host_.Lookup(), ChannelPair{}, shown);
  EXPECT_EQ(watched, shown);
  EXPECT_EQ(list_.selection(), 4u);
  EXPECT_EQ(ChannelButtonIcon(watched, shown), uint32_t{IDI_CHANNEL_CURRENT});

  watched = list_.OnChannelButton(host_.Lookup(), watched, shown);
  EXPECT_EQ(watched, ChannelPair{});
  EXPECT_EQ(list_.selection(), 0u);
  EXPECT_EQ(ChannelButtonIcon(watched, shown), uint32_t{IDI_CHANNEL_OTHER});

  // A shown channel that no item stands for changes nothing.
  list_.Select(3);
  EXPECT_EQ(list_.OnChannelButton(host_.Lookup(), ChannelPair{10, 0}, ChannelPair{55, 5}), (ChannelPair{10, 0}));
  EXPECT_EQ(list_.selection(), 3u);
  // Nor does one the host stopped answering for: its item is never dereferenced.
  host_.Remove(1);
  EXPECT_EQ(list_.OnChannelButton(host_.Lookup(), ChannelPair{10, 0}, shown), (ChannelPair{10, 0}));
  EXPECT_EQ(list_.selection(), 3u);
}

TEST(ChannelListLimits, LongNamesAreCutAndAHostThatNeverEndsItsListIsCapped) {
  std::vector<char> rec(12 + 400, 'n');
  std::memset(rec.data(), 0, 12);
  rec.back() = '\0';
  const ChannelInfo* info = reinterpret_cast<const ChannelInfo*>(rec.data());
  EXPECT_EQ(ChannelName(*info).size(), kMaxChannelNameBytes);

  int calls = 0;
  ChannelListModel m;
  m.Build([&](int32_t) { ++calls; return info; }, "x", ChannelPair{1, 1});
  EXPECT_EQ(m.items().size(), 1u + 2u * kMaxChannelItemsPerList);
  EXPECT_EQ(calls, 2 * kMaxChannelItemsPerList);
  EXPECT_EQ(m.selection(), 0u);
}

TEST(ChannelPairSetting, LowWordIsId0HighWordId1) {
  const ChannelPair p{0x89ABCDEFu, 0x01234567u};
  EXPECT_EQ(SettingOfPair(p), int64_t{0x0123456789ABCDEF});
  EXPECT_EQ(PairOfSetting(SettingOfPair(p)), p);
  EXPECT_EQ(PairOfSetting(-1), (ChannelPair{0xFFFFFFFFu, 0xFFFFFFFFu}));
}

}  // namespace
}  // namespace qlv
