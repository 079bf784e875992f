// Builds string-table blocks for tests: the inverse of FindStringEntry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lang/string_block.h"

namespace qlv {

// A block of 16 entries from up to 16 texts; entries past the list are empty, and a
// text longer than 65535 units is cut to that length.
inline std::string MakeStringBlock(const std::u16string* texts, size_t count) {
  std::string out;
  auto put = [&out](size_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
  };
  for (uint32_t i = 0; i < kStringsPerBlock; ++i) {
    const std::u16string empty;
    const std::u16string& t = i < count ? texts[i] : empty;
    const size_t n = t.size() < 0xFFFF ? t.size() : 0xFFFF;
    put(n);
    for (size_t k = 0; k < n; ++k) put(t[k]);
  }
  return out;
}

}  // namespace qlv
