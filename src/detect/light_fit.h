// The least-squares line y = (a·x + b) / d through pairs of cell means: how this frame's
// picture follows a remembered one when only the light changed. Integers throughout, so that
// both builds agree to the bit.
#pragma once

#include <cstdint>

namespace qlv {

// Rounds toward minus infinity; `den` > 0. Written out because >> and / of a negative
// number round otherwise.
inline int64_t FloorDiv(int64_t num, int64_t den) {
  const int64_t q = num / den;
  return (num % den != 0 && num < 0) ? q - 1 : q;
}

// A remembered mean × 256, back to the nearest whole level.
inline int32_t RoundScaled(int32_t scaled) { return static_cast<int32_t>(FloorDiv(int64_t{scaled} + 128, 256)); }

struct LinearFit {
  int64_t a = 1, b = 0, d = 1;  // the identity until a fit is taken

  // |y·d − (a·x + b)|: d times the distance of y from the line. With means of 0..255 and up to
  // 65,536 cells every term stays below 2^60.
  int64_t Distance(int64_t x, int64_t y) const {
    const int64_t e = y * d - (a * x + b);
    return e < 0 ? -e : e;
  }
};

// Signed 64-bit sums over the pairs (x, y) of n cells.
struct FitSums {
  int64_t n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;

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
