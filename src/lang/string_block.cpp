#include "lang/string_block.h"

namespace qlv {

namespace {
uint16_t ReadUnit(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

StringEntryStatus FindStringEntry(const void* block, size_t bytes, uint32_t entry, std::u16string* text) {
  text->clear();
  const uint8_t* p = static_cast<const uint8_t*>(block);
  if (!p) bytes = 0;
  const size_t units = bytes / 2;  // a trailing odd byte belongs to no unit
  const uint32_t wanted = entry % kStringsPerBlock;
  size_t at = 0;  // in code units
  for (uint32_t i = 0;; ++i) {
    if (at >= units) return StringEntryStatus::Malformed;
    const size_t length = ReadUnit(p + 2 * at);
    ++at;
    if (length > units - at) return StringEntryStatus::Malformed;
    if (i == wanted) {
      if (length == 0) return StringEntryStatus::Empty;
      text->resize(length);
      for (size_t k = 0; k < length; ++k) (*text)[k] = static_cast<char16_t>(ReadUnit(p + 2 * (at + k)));
      return StringEntryStatus::Found;
    }
    at += length;
  }
}

}  // namespace qlv
