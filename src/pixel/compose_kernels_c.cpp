// Scalar references of the compositing kernels, written for clarity: every
// product is the 16-bit fixed-point floor the SIMD variants compute.
#include <cstring>

#include "pixel/kernels.h"

namespace qlv {
namespace kernels {
namespace {

int32_t ReadInt32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

int16_t ReadWeight(const uint8_t* entry, int32_t k) {
  int16_t q;
  std::memcpy(&q, entry + 8 + 8 * k, sizeof q);
  return q;
}

uint8_t Saturate(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// floor(128 * x * q / 65536): the high half of a 16 x 16 bit product.
int16_t Term(uint8_t x, int16_t q) { return static_cast<int16_t>((static_cast<int32_t>(x) * 128 * q) >> 16); }

// One component: the frame attenuated by the coverage a (0..256), the
// premultiplied overlay added, the change scaled by op (0..256).
uint8_t BlendComponent(int32_t d, int32_t s, int32_t a, int32_t o, int32_t op) {
  int32_t t = ((a * (d - o)) >> 8) + o;
  return Saturate(d + (((s - t) * op) >> 8));
}

int32_t Coverage(uint8_t alpha) { return alpha + (alpha >> 7); }

}  // namespace

void ResampleColumns_C(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry,
                       uint8_t* row) {
  const int32_t offset = ReadInt32(entry);
  const int32_t n = ReadInt32(entry + 4);
  const uint8_t* first = src + offset;
  for (int32_t c = 0; c < width; ++c) {
    for (int32_t ch = 0; ch < 4; ++ch) {
      int16_t acc = 0;
      for (int32_t k = 0; k < n; ++k) {
        uint8_t x = first[k * stride + 4 * c + ch];
        acc = static_cast<int16_t>(acc + Term(x, ReadWeight(entry, k)));
      }
      row[4 * c + ch] = Saturate(acc >> 5);
    }
  }
}

void ResampleRow_C(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst) {
  const uint8_t* entry = table;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t offset = ReadInt32(entry);
    const int32_t n = ReadInt32(entry + 4);
    for (int32_t ch = 0; ch < 4; ++ch) {
      int16_t acc = 0;
      for (int32_t k = 0; k < n; ++k) {
        acc = static_cast<int16_t>(acc + Term(row[offset + 4 * k + ch], ReadWeight(entry, k)));
      }
      dst[4 * i + ch] = Saturate(acc >> 5);
    }
    entry += 8 + 8 * n;
  }
}

void BlendOverlayRowRgb_C(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op) {
  for (int32_t i = 0; i < count; ++i, frame += 3, overlay += 4) {
    int32_t a = Coverage(overlay[3]);
    for (int32_t ch = 0; ch < 3; ++ch) frame[ch] = BlendComponent(frame[ch], overlay[ch], a, 0, op);
  }
}

void BlendOverlayRowYuv_C(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op) {
  for (int32_t i = 0; i < pairs; ++i, frame += 4, overlay += 8) {
    const uint8_t* p0 = overlay;
    const uint8_t* p1 = overlay + 4;
    int32_t a0 = Coverage(p0[3]);
    int32_t a1 = Coverage(p1[3]);
    int32_t cb = (p0[1] + p1[1] + 1) >> 1;
    int32_t cr = (p0[2] + p1[2] + 1) >> 1;
    frame[0] = BlendComponent(frame[0], p0[0], a0, 0, op);
    frame[1] = BlendComponent(frame[1], cb, a0, 128, op);
    frame[2] = BlendComponent(frame[2], p1[0], a1, 0, op);
    frame[3] = BlendComponent(frame[3], cr, a0, 128, op);
  }
}

}  // namespace kernels
}  // namespace qlv
