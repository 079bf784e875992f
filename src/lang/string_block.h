// Walks one block of a string table resource: 16 entries in order, each a
// 16-bit little-endian length followed by that many UTF-16 code units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qlv {

constexpr uint32_t kStringsPerBlock = 16;

// Resource number of the block that holds string `id`, and the entry inside it.
constexpr uint32_t StringBlockNumber(uint32_t id) { return id / kStringsPerBlock + 1; }
constexpr uint32_t StringBlockEntry(uint32_t id) { return id % kStringsPerBlock; }

enum class StringEntryStatus {
  Found,      // non-empty text
  Empty,      // length 0
  Malformed,  // the block ends before the entry or inside its text; treated as empty
};

// Finds entry `entry` (taken mod 16) of a block of `bytes` bytes and copies its
// UTF-16 code units into `text` (cleared first). Reads nothing beyond `bytes`;
// a null block counts as zero bytes.
StringEntryStatus FindStringEntry(const void* block, size_t bytes, uint32_t entry, std::u16string* text);

}  // namespace qlv
