#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/string_block.h"
#include "string_block_builder.h"

namespace qlv {
namespace {

// Little-endian bytes of a list of 16-bit units.
std::string Units(std::initializer_list<uint16_t> units) {
  std::string s;
  for (uint16_t u : units) {
    s.push_back(static_cast<char>(u & 0xFF));
    s.push_back(static_cast<char>(u >> 8));
  }
  return s;
}

TEST(StringBlock, NumberAndEntryOfAnId) {
  EXPECT_EQ(StringBlockNumber(1), 1u);
  EXPECT_EQ(StringBlockEntry(1), 1u);
  EXPECT_EQ(StringBlockNumber(15), 1u);
  EXPECT_EQ(StringBlockNumber(16), 2u);
  EXPECT_EQ(StringBlockEntry(16), 0u);
  EXPECT_EQ(StringBlockNumber(34), 3u);
  EXPECT_EQ(StringBlockEntry(34), 2u);
}

TEST(StringBlock, WalksPastEmptyAndFilledEntries) {
  // Entry 0 empty, 1 "AB", 2 empty, 3 U+0434 U+00E0, 4..15 empty.
  std::string block = Units({0, 2, 'A', 'B', 0, 2, 0x0434, 0x00E0});
  for (int i = 4; i < 16; ++i) block += Units({0});
  std::u16string t;
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 1, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, u"AB");
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 3, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, std::u16string({0x0434, 0x00E0}));
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 0, &t), StringEntryStatus::Empty);
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 15, &t), StringEntryStatus::Empty);
  // The entry number is taken mod 16, as for string ids.
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 16 + 1, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, u"AB");
}

TEST(StringBlock, RoundTripsEveryEntryOfABuiltBlock) {
  std::vector<std::u16string> texts(16);
  for (int i = 0; i < 16; ++i) texts[i] = std::u16string(static_cast<size_t>(i * 3 % 7), static_cast<char16_t>(0x0410 + i));
  const std::string block = MakeStringBlock(texts.data(), texts.size());
  for (uint32_t i = 0; i < 16; ++i) {
    std::u16string t;
    const StringEntryStatus st = FindStringEntry(block.data(), block.size(), i, &t);
    EXPECT_EQ(st, texts[i].empty() ? StringEntryStatus::Empty : StringEntryStatus::Found) << i;
    EXPECT_EQ(t, texts[i]) << i;
  }
}

TEST(StringBlock, ReadsUnalignedBlocks) {
  const std::u16string texts[2] = {u"x", u"yz"};
  const std::string block = MakeStringBlock(texts, 2);
  std::string shifted = "?" + block;
  std::u16string t;
  EXPECT_EQ(FindStringEntry(shifted.data() + 1, block.size(), 1, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, u"yz");
}

TEST(StringBlock, TruncatedOrMalformedBlocksGiveNothingAndReadNoFurther) {
  const std::u16string texts[3] = {u"abc", u"", u"defg"};
  const std::string block = MakeStringBlock(texts, 3);
  std::u16string t = u"stale";
  // Cut inside entry 2's text: 4 (entry 0) + 1 (entry 1) + 1 (length of 2) + 2 units.
  const size_t cut = 2 * (4 + 1 + 1 + 2);
  std::vector<char> exact(block.begin(), block.begin() + cut);  // ASan sees a read past the end
  EXPECT_EQ(FindStringEntry(exact.data(), exact.size(), 2, &t), StringEntryStatus::Malformed);
  EXPECT_TRUE(t.empty());
  // Entries before the cut are still found.
  EXPECT_EQ(FindStringEntry(exact.data(), exact.size(), 0, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, u"abc");
  // The block ends before the wanted entry's length.
  EXPECT_EQ(FindStringEntry(exact.data(), 2 * 5, 2, &t), StringEntryStatus::Malformed);
  // A length word that claims more than the block holds.
  const std::string liar = Units({0xFFFF, 'a'});
  EXPECT_EQ(FindStringEntry(liar.data(), liar.size(), 0, &t), StringEntryStatus::Malformed);
  EXPECT_EQ(FindStringEntry(liar.data(), liar.size(), 5, &t), StringEntryStatus::Malformed);
  // An odd trailing byte is no unit.
  const std::string odd = Units({1}) + "a";
  EXPECT_EQ(FindStringEntry(odd.data(), odd.size(), 0, &t), StringEntryStatus::Malformed);
  // Nothing at all.
  EXPECT_EQ(FindStringEntry(nullptr, 100, 0, &t), StringEntryStatus::Malformed);
  EXPECT_EQ(FindStringEntry(block.data(), 0, 0, &t), StringEntryStatus::Malformed);
}

TEST(StringBlock, ShortBlockWithoutTrailingEntriesStillServesTheFirstOnes) {
  // Resource compilers write all 16 lengths, but a block that stops after the
  // wanted entry is still readable up to that entry.
  const std::string block = Units({0, 3, 'a', 'b', 'c'});
  std::u16string t;
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 1, &t), StringEntryStatus::Found);
  EXPECT_EQ(t, u"abc");
  EXPECT_EQ(FindStringEntry(block.data(), block.size(), 2, &t), StringEntryStatus::Malformed);
}

}  // namespace
}  // namespace qlv
