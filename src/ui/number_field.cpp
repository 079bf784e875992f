#include "ui/number_field.h"

namespace qlv {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::optional<uint32_t> ParseUnsignedDecimal(const std::string& text) {
  size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  if (i == end) return std::nullopt;
  uint64_t value = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::optional<int32_t> AcceptNumberText(const std::string& text, NumberRange range) {
  const std::optional<uint32_t> read = ParseUnsignedDecimal(text);
  if (!read) return std::nullopt;
  const int32_t value = static_cast<int32_t>(*read);
  if (!range.Contains(value)) return std::nullopt;
  return value;
}

void NumberFieldValidator::OnTextChanged() {
  if (busy_) return;
  busy_ = true;
  // The io may throw (it reaches windows); the guard must not stay set.
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{busy_};
  if (const std::optional<int32_t> value = AcceptNumberText(io_.Text(), range_)) {
    io_.Store(*value);
  } else {
    ++refusals_;
    io_.ShowRefusal();
  }
  io_.ShowValue(io_.Stored());
}

}  // namespace qlv
