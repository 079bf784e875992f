// Row kernels of the caption compositing: a scalar reference for each and SSE2
// variants in overlay_kernels_sse2.cpp. Every variant gives the reference's bytes.
// Declarations only: this header is also read by the SSE2 unit, which must not
// instantiate inline code that others would link to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlv {

// Vertical resampler pass. `src` is the source span's top-left pixel (4 bytes
// B, G, R, A), `stride` the signed byte distance to the next picture row,
// `entry` one filter-table entry (int32 offset, int32 n, n weights of 8 bytes).
// Writes `width` saturated pixels into `row`.
void ResampleColumns_C(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry,
                       uint8_t* row);
void ResampleColumns_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry,
                          uint8_t* row);

// Horizontal resampler pass: walks `count` entries of `table` over the row
// buffer and writes `count` saturated 4-byte pixels to `dst`.
void ResampleRow_C(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst);
void ResampleRow_SSE2(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst);

// Overlay blend into a 24-bit row: `count` pixels, prepared pixels B, G, R, A,
// `op` the opacity weight 0..256.
void BlendOverlayRowRgb_C(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op);
void BlendOverlayRowRgb_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op);

// Overlay blend of whole Y0 U Y1 V groups: `pairs` groups from 2 * pairs
// prepared pixels Y, Cb, Cr, A.
void BlendOverlayRowYuv_C(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op);
void BlendOverlayRowYuv_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op);

struct OverlayKernels {
  void (*resampleColumns)(const uint8_t*, ptrdiff_t, int32_t, const uint8_t*, uint8_t*);
  void (*resampleRow)(const uint8_t*, const uint8_t*, int32_t, uint8_t*);
  void (*blendRgb)(uint8_t*, const uint8_t*, int32_t, int32_t);
  void (*blendYuv)(uint8_t*, const uint8_t*, int32_t, int32_t);
};

// Chosen once by CPUID; the reference when QLV_FORCE_REFERENCE is set.
const OverlayKernels& SelectedOverlayKernels();
const OverlayKernels& ReferenceOverlayKernels();

}  // namespace qlv
