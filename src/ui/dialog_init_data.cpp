#include "ui/dialog_init_data.h"

#include <cstring>

namespace qlv {

namespace {
uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Dword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

DialogInitData ParseDialogInitData(const void* data, size_t bytes) {
  DialogInitData out;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (!p) return out;
  size_t at = 0;
  while (at + 2 <= bytes) {
    const uint16_t id = Word(p + at);
    if (id == 0) {
      out.complete = true;
      return out;
    }
    if (bytes - at < 8) return out;
    const uint16_t message = Word(p + at + 2);
    const uint32_t length = Dword(p + at + 4);
    at += 8;
    if (length > bytes - at) return out;
    const char* text = reinterpret_cast<const char*>(p + at);
    const void* nul = std::memchr(text, '\0', length);
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : length;
    out.items.push_back(DialogInitItem{id, message, std::string(text, n)});
    at += length;
  }
  return out;
}

}  // namespace qlv
