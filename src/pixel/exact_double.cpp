#include "pixel/exact_double.h"

#include <cstring>

namespace qlv {

#if defined(__i386__) && !defined(__SSE2_MATH__)
ExactDoubleScope::ExactDoubleScope() {
  uint16_t cw = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw) : : "memory");
  saved_ = cw;
  active_ = true;
  // Precision control bits 8-9 = 10b (53-bit), rounding bits 10-11 = 00b (nearest).
  uint16_t exact = static_cast<uint16_t>((cw & ~0x0F00u) | 0x0200u);
  __asm__ __volatile__("fldcw %0" : : "m"(exact) : "memory");
}
ExactDoubleScope::~ExactDoubleScope() {
  if (active_) __asm__ __volatile__("fldcw %0" : : "m"(saved_) : "memory");
}
#else
ExactDoubleScope::ExactDoubleScope() = default;
ExactDoubleScope::~ExactDoubleScope() = default;
#endif

namespace {

// Kernel coefficients on [-pi/4, pi/4] (the classic freely distributable ones).
constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;
constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;
constexpr double kInvPio2 = 6.36619772367581382433e-01;
constexpr double kPio2Hi = 1.57079632673412561417e+00;  // 33 bits: n * kPio2Hi is exact
constexpr double kPio2Lo = 6.07710050650619224932e-11;

// The stores through volatile keep every intermediate a double even if a
// compiler were to keep wider temporaries.
double Fix(double v) {
  volatile double s = v;
  return s;
}

double Abs(double v) { return v < 0 ? -v : v; }

// sin(x + y) with |x| <= pi/4, y the tail of the reduction.
double KernelSin(double x, double y) {
  if (Abs(x) < 7.450580596923828125e-9) return x;  // 2^-27
  double z = Fix(x * x);
  double v = Fix(z * x);
  double r = Fix(S2 + Fix(z * Fix(S3 + Fix(z * Fix(S4 + Fix(z * Fix(S5 + Fix(z * S6))))))));
  if (y == 0.0) return Fix(x + Fix(v * Fix(S1 + Fix(z * r))));
  return Fix(x - Fix(Fix(Fix(z * Fix(Fix(0.5 * y) - Fix(v * r))) - y) - Fix(v * S1)));
}

// cos(x + y) with |x| <= pi/4.
double KernelCos(double x, double y) {
  if (Abs(x) < 7.450580596923828125e-9) return 1.0;
  double z = Fix(x * x);
  double r = Fix(z * Fix(C1 + Fix(z * Fix(C2 + Fix(z * Fix(C3 + Fix(z * Fix(C4 + Fix(z * Fix(C5 + Fix(z * C6)))))))))));
  if (Abs(x) < 0.3) return Fix(1.0 - Fix(Fix(0.5 * z) - Fix(Fix(z * r) - Fix(x * y))));
  double qx;
  if (Abs(x) > 0.78125) {
    qx = 0.28125;
  } else {
    // x / 4 with the low 32 bits of the mantissa cleared (keeps 1 - qx exact).
    uint64_t bits;
    double ax = Abs(x);
    std::memcpy(&bits, &ax, sizeof bits);
    bits = (bits - (uint64_t{2} << 52)) & 0xFFFFFFFF00000000ull;
    std::memcpy(&qx, &bits, sizeof qx);
  }
  double hz = Fix(Fix(0.5 * z) - qx);
  double a = Fix(1.0 - qx);
  return Fix(a - Fix(hz - Fix(Fix(z * r) - Fix(x * y))));
}

}  // namespace

double ExactSin(double x) {
  bool negative = x < 0;
  double ax = Abs(x);
  if (!(ax <= 1.0e5)) return 0.0;  // NaN and out-of-domain values: never used here
  if (ax <= 0.78539816339744827900) {
    double s = KernelSin(ax, 0.0);
    return negative ? -s : s;
  }
  int32_t n = static_cast<int32_t>(Fix(Fix(ax * kInvPio2) + 0.5));
  double fn = static_cast<double>(n);
  double r = Fix(ax - Fix(fn * kPio2Hi));
  double w = Fix(fn * kPio2Lo);
  double y0 = Fix(r - w);
  double y1 = Fix(Fix(r - y0) - w);
  double s;
  switch (n & 3) {
    case 0: s = KernelSin(y0, y1); break;
    case 1: s = KernelCos(y0, y1); break;
    case 2: s = -KernelSin(y0, y1); break;
    default: s = -KernelCos(y0, y1); break;
  }
  return negative ? -s : s;
}

}  // namespace qlv
