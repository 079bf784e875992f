// The overlay compositor: a painted 32-bit layer is resampled
// (Lanczos-3, two 16-bit fixed-point passes) to the frame's scale into the
// prepared overlay, which is then blended into every frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixel/frame_canvas.h"

namespace qlv {

// Rectangle in picture coordinates, right and bottom exclusive.
struct OverlayRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool operator==(const OverlayRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// The frame geometry the compositing needs (FrameCanvas supplies it).
struct OverlayGeometry {
  static constexpr int32_t kYuv422 = PixelFormatYUV422;
  static constexpr int32_t kRgb24 = PixelFormatRGB24;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelFormat = -1;
  bool known() const { return (pixelFormat == kYuv422 || pixelFormat == kRgb24) && width > 0 && height > 0; }
  bool operator==(const OverlayGeometry& o) const {
    return width == o.width && height == o.height && pixelFormat == o.pixelFormat;
  }
  bool operator!=(const OverlayGeometry& o) const { return !(*this == o); }
};

// The compositing geometry of the canvas's stream (format -1 when the canvas is unknown).
OverlayGeometry GeometryOf(const FrameCanvas& canvas);

// The shared reallocation rule: reallocate when need > capacity or
// need < MulDiv(capacity, 100 - shrink, 100 + grow).
bool NeedsReallocation(int32_t need, int32_t capacity, int32_t grow, int32_t shrink);
// New capacity after a reallocation: MulDiv(need, 100 + grow, 100).
int32_t GrownCapacity(int32_t need, int32_t grow);

// A heap block aligned to 16 bytes; contents undefined after Allocate.
class AlignedBuffer {
 public:
  AlignedBuffer() = default;
  ~AlignedBuffer() { Free(); }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  bool Allocate(size_t bytes);  // frees the old block first; false (and empty) on failure
  void Free();
  uint8_t* data() const { return data_; }
  size_t bytes() const { return bytes_; }

 private:
  uint8_t* data_ = nullptr;
  size_t bytes_ = 0;
};

// The key a filter table was built for.
struct FilterKey {
  int32_t sourceSpan = 0, destinationSpan = 0, clipOffset = 0, clipLength = 0, sourceStep = 0;
  bool operator==(const FilterKey& o) const {
    return sourceSpan == o.sourceSpan && destinationSpan == o.destinationSpan && clipOffset == o.clipOffset &&
           clipLength == o.clipLength && sourceStep == o.sourceStep;
  }
};

// Variable-length entries: int32 first source offset (bytes), int32 tap count n,
// then n weights, each an int16 repeated in four lanes (8 bytes).
class FilterTable {
 public:
  // Rebuilds only when the key differs from the last build. False when the
  // table could not be allocated (then it is empty and has no key).
  bool Ensure(const FilterKey& key);
  const uint8_t* data() const { return buffer_.data(); }
  int32_t capacityEntries() const { return capacityEntries_; }
  int32_t entryBytes() const { return entryBytes_; }  // the size the buffer was allocated for
  int32_t taps() const { return taps_; }
  int32_t builds() const { return builds_; }
  const FilterKey& key() const { return key_; }
  void Reset();  // frees the buffer and forgets the key

 private:
  AlignedBuffer buffer_;
  int32_t capacityEntries_ = 0;
  int32_t entryBytes_ = 0;
  int32_t taps_ = 0;
  int32_t builds_ = 0;
  bool valid_ = false;
  FilterKey key_;
};

// Lanczos-3: sinc(pi |x|) sinc(pi |x| / 3) for |x| < 3, else 0. Identical bits in
// every build when called inside an ExactDoubleScope.
double LanczosWeight(double x);

// Fills `table` (already big enough for `count` entries of 8 + 8 * taps bytes)
// for destination positions start .. start + count - 1 of a span of b resampled
// from a source span of a samples `step` bytes apart. Returns the tap count.
int32_t BuildFilterTable(int32_t a, int32_t b, int32_t start, int32_t count, int32_t step, uint8_t* table);
// The tap count BuildFilterTable will use for spans a -> b (0 when a or b is not positive).
int32_t FilterTaps(int32_t a, int32_t b);

// Y, Cb, Cr from B, G, R (full-range BT.601 in units of 1/32768, floored, saturated).
void ConvertPixelsToYCbCr(uint8_t* pixels, int32_t count);

class OverlayComposer {
 public:
  // The CPU's best kernels, or those of `level` when this CPU runs it.
  OverlayComposer();
  explicit OverlayComposer(kernels::KernelLevel level);

  // Resamples the used rectangle of a layer (bottom-up 32-bit B, G, R, A rows of
  // capW pixels) to sx / sy thousandths of the frame size, converts it to the
  // frame's form and keeps it as the prepared overlay.
  void PrepareOverlay(const uint8_t* layerPixels, int32_t capW, int32_t capH, OverlayRect used, int32_t sx,
                      int32_t sy, const OverlayGeometry& frame);

  // Blends the prepared overlay with its top-left at (px, py) thousandths of the
  // frame size and `opacity` percent (clamped to 0..100).
  void BlendOverlay(uint8_t* frame, int32_t px, int32_t py, int32_t opacity, const OverlayGeometry& geometry) const;

  // The same against the stream's canvas.
  void PrepareOverlay(const uint8_t* layerPixels, int32_t capW, int32_t capH, OverlayRect used, int32_t sx,
                      int32_t sy, const FrameCanvas& canvas) {
    PrepareOverlay(layerPixels, capW, capH, used, sx, sy, GeometryOf(canvas));
  }
  void BlendOverlay(uint8_t* frame, int32_t px, int32_t py, int32_t opacity, const FrameCanvas& canvas) const {
    BlendOverlay(frame, px, py, opacity, GeometryOf(canvas));
  }

  // The part of the prepared overlay holding content ({0,0,0,0} when none).
  const OverlayRect& prepared() const { return prepared_; }
  // The geometry the prepared content was made for.
  const OverlayGeometry& preparedGeometry() const { return preparedFor_; }
  const uint8_t* preparedPixels() const { return overlay_.data(); }
  int32_t preparedCapacityWidth() const { return capW_; }
  int32_t preparedCapacityHeight() const { return capH_; }
  const FilterTable& horizontalTable() const { return horizontal_; }
  const FilterTable& verticalTable() const { return vertical_; }
  int32_t rowCapacity() const { return rowCapacity_; }

  // Drops the filter tables (next PrepareOverlay rebuilds them).
  void ForgetTables();
  // Frees the prepared overlay, its row buffer and the tables; nothing is prepared.
  void Release();

 private:
  bool ResampleLayer(const uint8_t* pixels, int32_t srcCapW, int32_t srcCapH, OverlayRect src, int32_t format);

  const kernels::KernelSet* kernels_;
  AlignedBuffer overlay_;
  int32_t capW_ = 0, capH_ = 0;
  OverlayRect prepared_;
  OverlayGeometry preparedFor_;
  FilterTable horizontal_, vertical_;
  AlignedBuffer row_;
  int32_t rowCapacity_ = 0;
};

}  // namespace qlv
