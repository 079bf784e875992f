// Double arithmetic that gives the same bits on every build. The i686 build
// computes in x87 registers whose precision follows the FPU control word (set by
// whoever loaded us), and the runtimes' sin functions differ in the last bit.
// Filter tables are built inside an ExactDoubleScope and use ExactSin, so their
// 16-bit weights are identical natively and in the 32-bit DLL.
#pragma once

#include <cstdint>

namespace qlv {

// Sets x87 precision control to 53 bits and rounding to nearest for its
// lifetime, restoring the caller's control word afterwards. With that setting
// +, -, *, / round exactly as SSE2 doubles do (for the normal range used here).
// Does nothing where doubles are computed in SSE registers.
class ExactDoubleScope {
 public:
  ExactDoubleScope();
  ~ExactDoubleScope();
  ExactDoubleScope(const ExactDoubleScope&) = delete;
  ExactDoubleScope& operator=(const ExactDoubleScope&) = delete;

 private:
  // Used only where doubles live in x87 registers.
  [[maybe_unused]] uint16_t saved_ = 0;
  [[maybe_unused]] bool active_ = false;
};

// sin(x) for |x| up to about 1e5, built from + - * / only (Cody-Waite reduction by
// pi/2 and minimax kernels), error below one unit in the last place.
double ExactSin(double x);

}  // namespace qlv
