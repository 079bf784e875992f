// Full-range BT.601 between B, G, R and Y, Cb, Cr, in the integers every kernel and
// every drawing call uses. Forward weights are in units of 1/32768 (luma weights sum
// to 32768, each chroma row to 0); the inverse ones in units of 1/4096, applied as
// ((c - 128) * 16 * k) >> 16, the high half of a 16-bit product.
#pragma once

#include <cstdint>

namespace qlv {
namespace color {

constexpr int32_t kYFromB = 3735, kYFromG = 19235, kYFromR = 9798;
constexpr int32_t kCbFromB = 16384, kCbFromG = -10855, kCbFromR = -5529;
constexpr int32_t kCrFromR = 16384, kCrFromG = -13720, kCrFromB = -2664;
constexpr int32_t kBFromCb = 7258, kGFromCb = -1410, kGFromCr = -2925, kRFromCr = 5743;

static_assert(kYFromB + kYFromG + kYFromR == 32768, "luma weights sum to one");
static_assert(kCbFromB + kCbFromG + kCbFromR == 0 && kCrFromR + kCrFromG + kCrFromB == 0, "grey has no chroma");

// Floors, not clamped: luma stays in 0..255, the chroma differences in -128..127.
constexpr int32_t Luma(int32_t b, int32_t g, int32_t r) { return (kYFromB * b + kYFromG * g + kYFromR * r) >> 15; }
constexpr int32_t ChromaB(int32_t b, int32_t g, int32_t r) {
  return (kCbFromB * b + kCbFromG * g + kCbFromR * r) >> 15;
}
constexpr int32_t ChromaR(int32_t b, int32_t g, int32_t r) {
  return (kCrFromR * r + kCrFromG * g + kCrFromB * b) >> 15;
}

// Y, Cb + 128 and Cr + 128 of one pixel, each saturated to a byte: the colour a drawing
// call or a painted overlay takes in a YUY2 frame.
struct Yuv {
  uint8_t y, u, v;
};
constexpr uint8_t SaturateByte(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
constexpr Yuv BgrToYuv(int32_t b, int32_t g, int32_t r) {
  return Yuv{SaturateByte(Luma(b, g, r)), SaturateByte(ChromaB(b, g, r) + 128), SaturateByte(ChromaR(b, g, r) + 128)};
}

// Two 16-bit coefficients in one 32-bit lane, `low` first: the form madd and mulhi take.
constexpr int32_t PackPair(int32_t low, int32_t high) {
  return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFFu));
}

}  // namespace color
}  // namespace qlv
