// The combo-box lists stored with a dialog template (resource type 240, same
// id as the template). Per item: WORD control id, WORD message, DWORD length,
// then `length` bytes holding NUL-terminated ANSI text; a WORD 0 ends the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qlv {

constexpr uint16_t kInitAddListBoxString = 0x0401;   // the 16-bit list-box add-string
constexpr uint16_t kInitAddComboBoxString = 0x0403;  // the 16-bit combo-box add-string

struct DialogInitItem {
  uint16_t controlId;
  uint16_t message;  // as stored
  std::string text;  // up to the first NUL inside the item
};

struct DialogInitData {
  std::vector<DialogInitItem> items;
  bool complete = false;  // the end marker was reached with every item whole
};

// Reads the items in order. Reads nothing beyond `bytes`; an item cut short by
// the end of the data is dropped and the rest ignored. Data that ends without
// the end marker right after a whole item is accepted (complete stays false).
DialogInitData ParseDialogInitData(const void* data, size_t bytes);

}  // namespace qlv
