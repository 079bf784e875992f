// Row kernels of the pixel engine: sampling for detection, colour runs for drawing,
// and the caption's resampler and overlay blends. Every kernel has a scalar reference
// (_C) that states the integers; the SIMD variants must give the same bytes for every
// input. The variants process whole vectors and finish the remainder with the
// reference, so callers never align anything. Declarations only: the SSE2 and AVX2
// units read this header too and must not instantiate inline code others link to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlv {
namespace kernels {

// Length of a colour pattern: a multiple of the YUV pair (4), the RGB pixel (3) and
// every vector width (16, 32), so a pattern vector can be loaded at any multiple of 16.
constexpr int32_t kPatternBytes = 96;

// ---- reference kernels ------------------------------------------------------------

// `width` pixels of a packed Y0 U Y1 V row to B, G, R, Y sample pixels. A lone last
// pixel (odd width) has no V byte within the row: it becomes grey, B = G = R = Y.
void YuyvToSampleRow_C(const uint8_t* src, uint32_t* dst, int32_t width);
// `width` pixels of a B, G, R row to B, G, R, Y sample pixels.
void Rgb24ToSampleRow_C(const uint8_t* src, uint32_t* dst, int32_t width);
// The conversions above over `rows` rows (row r starts at src + r * stride) and pixels
// [0, width): the four bytes of pixel x of every row are added to the 16-bit column sums
// acc[4x .. 4x+3] instead of being stored. rows <= kMaxAccumulateRows keeps them in 16 bits.
constexpr int32_t kMaxAccumulateRows = 256;
void YuyvAccumulateRows_C(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
void Rgb24AccumulateRows_C(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
// Adds byte c of `width` sample pixels to sums[c].
void SumSampleRow_C(const uint32_t* src, int32_t width, uint32_t sums[4]);
// Adds the 16-bit column sums acc[4x + c] of `count` pixels (at most 65536) to sums[c].
void SumColumns_C(const uint16_t* acc, int32_t count, uint32_t sums[4]);
// Blends `bytes` bytes of a run with the colour: d = c + floor((d - c) * w / 256), where c
// is pattern[i % kPatternBytes] for byte i of the run. w is 0..256. `pattern` must hold
// 2 * kPatternBytes bytes (MakePattern), so that the SIMD variants can hand the tail of a
// run to the reference with the pattern pointer advanced.
void BlendColorRun_C(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w);
// Stores pattern[i % kPatternBytes] into byte i of the run (the blend with w = 0).
void FillColorRun_C(uint8_t* dst, int32_t bytes, const uint8_t* pattern);

// Eight bytes of a row, of which those with mask 0xFF are blended with their colour byte
// (the others are rewritten unchanged). Used for the grid's columns, a few bytes per row.
struct ByteWindow {
  int32_t offset;
  uint8_t mask[8];
  uint8_t colour[8];
};
// Blends every window of `count` into `rows` rows (row r at first + r * stride); each
// window must lie inside the row, and no two windows may claim the same byte.
void BlendWindowsRows_C(uint8_t* first, ptrdiff_t stride, int32_t rows, const ByteWindow* windows, int32_t count,
                        int32_t w);

// Vertical resampler pass. `src` is the source span's top-left pixel (4 bytes
// B, G, R, A), `stride` the signed byte distance to the next picture row,
// `entry` one filter-table entry (int32 offset, int32 n, n weights of 8 bytes).
// Writes `width` saturated pixels into `row`.
void ResampleColumns_C(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry, uint8_t* row);
// Horizontal resampler pass: walks `count` entries of `table` over the row
// buffer and writes `count` saturated 4-byte pixels to `dst`.
void ResampleRow_C(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst);
// Overlay blend into a 24-bit row: `count` pixels, prepared pixels B, G, R, A,
// `op` the opacity weight 0..256.
void BlendOverlayRowRgb_C(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op);
// Overlay blend of whole Y0 U Y1 V groups: `pairs` groups from 2 * pairs
// prepared pixels Y, Cb, Cr, A.
void BlendOverlayRowYuv_C(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op);

// ---- SSE2 (any x86 with SSE2; dispatched) ----------------------------------------------
void YuyvToSampleRow_SSE2(const uint8_t* src, uint32_t* dst, int32_t width);
void Rgb24ToSampleRow_SSE2(const uint8_t* src, uint32_t* dst, int32_t width);
void YuyvAccumulateRows_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
void Rgb24AccumulateRows_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
void SumSampleRow_SSE2(const uint32_t* src, int32_t width, uint32_t sums[4]);
void SumColumns_SSE2(const uint16_t* acc, int32_t count, uint32_t sums[4]);
void BlendColorRun_SSE2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w);
void FillColorRun_SSE2(uint8_t* dst, int32_t bytes, const uint8_t* pattern);
void BlendWindowsRows_SSE2(uint8_t* first, ptrdiff_t stride, int32_t rows, const ByteWindow* windows, int32_t count,
                           int32_t w);
void ResampleColumns_SSE2(const uint8_t* src, ptrdiff_t stride, int32_t width, const uint8_t* entry, uint8_t* row);
void ResampleRow_SSE2(const uint8_t* row, const uint8_t* table, int32_t count, uint8_t* dst);
void BlendOverlayRowRgb_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t count, int32_t op);
void BlendOverlayRowYuv_SSE2(uint8_t* frame, const uint8_t* overlay, int32_t pairs, int32_t op);

// ---- AVX2 (native build only; dispatched) --------------------------------------------
void YuyvToSampleRow_AVX2(const uint8_t* src, uint32_t* dst, int32_t width);
void Rgb24ToSampleRow_AVX2(const uint8_t* src, uint32_t* dst, int32_t width);
void YuyvAccumulateRows_AVX2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
void Rgb24AccumulateRows_AVX2(const uint8_t* src, ptrdiff_t stride, int32_t rows, uint16_t* acc, int32_t width);
void SumSampleRow_AVX2(const uint32_t* src, int32_t width, uint32_t sums[4]);
void SumColumns_AVX2(const uint16_t* acc, int32_t count, uint32_t sums[4]);
void BlendColorRun_AVX2(uint8_t* dst, int32_t bytes, const uint8_t* pattern, int32_t w);
void FillColorRun_AVX2(uint8_t* dst, int32_t bytes, const uint8_t* pattern);

// ---- dispatch ---------------------------------------------------------------------------
enum class KernelLevel : int32_t { Reference = 0, Sse2 = 1, Avx2 = 2 };

struct KernelSet {
  KernelLevel level;
  const char* name;
  void (*yuyvToSample)(const uint8_t*, uint32_t*, int32_t);
  void (*rgb24ToSample)(const uint8_t*, uint32_t*, int32_t);
  void (*yuyvAccumulateRows)(const uint8_t*, ptrdiff_t, int32_t, uint16_t*, int32_t);
  void (*rgb24AccumulateRows)(const uint8_t*, ptrdiff_t, int32_t, uint16_t*, int32_t);
  void (*sumSampleRow)(const uint32_t*, int32_t, uint32_t*);
  void (*sumColumns)(const uint16_t*, int32_t, uint32_t*);
  void (*blendColorRun)(uint8_t*, int32_t, const uint8_t*, int32_t);
  void (*fillColorRun)(uint8_t*, int32_t, const uint8_t*);
  void (*blendWindowsRows)(uint8_t*, ptrdiff_t, int32_t, const ByteWindow*, int32_t, int32_t);
  void (*resampleColumns)(const uint8_t*, ptrdiff_t, int32_t, const uint8_t*, uint8_t*);
  void (*resampleRow)(const uint8_t*, const uint8_t*, int32_t, uint8_t*);
  void (*blendOverlayRgb)(uint8_t*, const uint8_t*, int32_t, int32_t);
  void (*blendOverlayYuv)(uint8_t*, const uint8_t*, int32_t, int32_t);
};

// The set of `level`, or nullptr when it is not built in or this CPU cannot run it.
const KernelSet* KernelsFor(KernelLevel level);
// The best set this CPU runs, chosen once; the reference when QLV_FORCE_REFERENCE is set.
const KernelSet& ActiveKernels();

// Fills `pattern` (2 * kPatternBytes) with the colour bytes repeated with period `period`.
void MakePattern(uint32_t colourBytes, int32_t period, uint8_t* pattern);

}  // namespace kernels
}  // namespace qlv
