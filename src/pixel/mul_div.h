// a * b / c with a 64-bit intermediate, rounded to nearest, halves away from zero
// (the platform's MulDiv). Returns -1 when c is 0, as the platform does.
#pragma once

#include <cstdint>

namespace qlv {

inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  bool negative = (p < 0) != (c < 0);
  uint64_t up = p < 0 ? 0 - static_cast<uint64_t>(p) : static_cast<uint64_t>(p);
  uint64_t uc = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t q = (up + uc / 2) / uc;
  if (q > 0x7FFFFFFFu + static_cast<uint64_t>(negative)) return -1;  // overflow, as the platform
  return negative ? static_cast<int32_t>(0 - q) : static_cast<int32_t>(q);
}

}  // namespace qlv
