// The least-squares line y = (a·x + b) / d through pairs of cell means: how this frame's
// picture follows a remembered one when only the light changed. Integers throughout, so that
// both builds agree to the bit.
#pragma once

#include <cstdint>

#include "detect/light_sums.h"

namespace qlv {

// floor(num / 2^shift) for |num| < 2^24: shifted from a number made non-negative first, so
// that no right shift of a negative number is relied on.
template <int shift>
inline int32_t FloorShift(int32_t num) {
  constexpr int32_t kLift = 1 << 24;  // a multiple of 2^shift above any |num| here
  return static_cast<int32_t>(static_cast<uint32_t>(num + kLift) >> shift) - (kLift >> shift);
}

// A remembered mean × 256 (0 .. 65,280), back to the nearest whole level.
inline int32_t RoundScaled(int32_t scaled) { return FloorShift<8>(scaled + 128); }

struct LinearFit {
  int64_t a = 1, b = 0, d = 1;  // the identity until a fit is taken

  // |y·d − (a·x + b)|: d times the distance of y from the line. With means of 0..255 and up to
  // 65,536 cells every term stays below 2^60.
  int64_t Distance(int64_t x, int64_t y) const {
    const int64_t e = y * d - (a * x + b);
    return e < 0 ? -e : e;
  }
  bool identity() const { return a == 1 && b == 0 && d == 1; }
  // a·x + b − d·x: d times how far the fit moves a mean x. Linear in x, so over a set of
  // means it is largest in size at the least or the greatest of them.
  int64_t Moved(int64_t x) const { return (a - d) * x + b; }
};

// Signed 64-bit sums over the pairs (x, y) of n cells.
struct FitSums {
  int64_t n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;

  // The sums a vector pass made (each far below 2^63).
  static FitSums Of(const LumaSums& l) {
    FitSums f;
    f.n = static_cast<int64_t>(l.n);
    f.sx = static_cast<int64_t>(l.sx);
    f.sy = static_cast<int64_t>(l.sy);
    f.sxx = static_cast<int64_t>(l.sxx);
    f.sxy = static_cast<int64_t>(l.sxy);
    return f;
  }
  void Add(int64_t x, int64_t y) {
    ++n;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  // D = n·Sxx − Sx², A = n·Sxy − Sx·Sy, B = Sy·Sxx − Sx·Sxy; D is 0 when every x is the same.
  LinearFit Fit() const {
    LinearFit f;
    f.d = n * sxx - sx * sx;
    f.a = n * sxy - sx * sy;
    f.b = sy * sxx - sx * sxy;
    return f;
  }
};

// A gain of 1/4 to 4 (d ≤ 4a ≤ 16d) with d > 0: a change of light, not of the picture.
inline bool PlausibleGain(const LinearFit& f) { return f.d > 0 && f.d <= 4 * f.a && 4 * f.a <= 16 * f.d; }

}  // namespace qlv
