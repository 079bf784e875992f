// The number fields of the dialog and its pages: a digits-only edit whose every
// change is read, range-checked and stored, or refused with a message after
// which the field shows the stored value again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qlv {

struct NumberRange {
  int32_t min;
  int32_t max;
  bool Contains(int32_t v) const { return v >= min && v <= max; }
};

// An unsigned decimal: digits only, blanks around them allowed. Empty text,
// any other character, or a value beyond 2^32 - 1 is no number.
std::optional<uint32_t> ParseUnsignedDecimal(const std::string& text);

// The read value, taken as a signed 32-bit integer, when it lies in the range.
std::optional<int32_t> AcceptNumberText(const std::string& text, NumberRange range);

// Fills the first two "%d" of a message with the range's ends ("%%" gives "%").
// Any other directive is left as it stands: the pattern is resource text.
template <typename Ch>
std::basic_string<Ch> FormatRangeMessage(const std::basic_string<Ch>& pattern, NumberRange range) {
  std::basic_string<Ch> out;
  int filled = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == Ch('%') && i + 1 < pattern.size()) {
      const Ch next = pattern[i + 1];
      if (next == Ch('%')) {
        out += Ch('%');
        ++i;
        continue;
      }
      if (next == Ch('d') && filled < 2) {
        for (char c : std::to_string(filled == 0 ? range.min : range.max)) out += static_cast<Ch>(c);
        ++filled;
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}
inline std::string FormatRangeMessage(const char* pattern, NumberRange range) {
  return FormatRangeMessage(std::string(pattern), range);
}

// How a field shows the stored value again after a change.
enum class Resync {
  Direct,       // the field's up-down position is set, which rewrites its text
  PageRefresh,  // the page reloads all of its controls (RefreshAll posted)
};

// What a number field needs from its window and its setting.
class NumberFieldIo {
 public:
  virtual ~NumberFieldIo() = default;
  virtual std::string Text() = 0;
  virtual int32_t Stored() = 0;
  virtual void Store(int32_t value) = 0;
  virtual void ShowRefusal() = 0;  // the message box; returns when it is closed
  // Makes the field show `value`; may change the text and so call back into
  // OnTextChanged.
  virtual void ShowValue(int32_t value) = 0;
};

// The validation scheme, free of windows. Changes that arrive while a refusal
// is on screen or while the field is being rewritten are its own echoes and are
// ignored, so one bad entry gives one message.
class NumberFieldValidator {
 public:
  NumberFieldValidator(NumberRange range, NumberFieldIo& io) : range_(range), io_(io) {}
  void OnTextChanged();
  NumberRange range() const { return range_; }
  // From the next change on; the stored value is left as it is.
  void SetRange(NumberRange range) { range_ = range; }
  int refusals() const { return refusals_; }

 private:
  NumberRange range_;
  NumberFieldIo& io_;
  bool busy_ = false;
  int refusals_ = 0;
};

}  // namespace qlv
