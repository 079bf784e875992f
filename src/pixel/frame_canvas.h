// The stream's frame geometry and the primitives that draw into its frames in place,
// in the frame's own pixel format, with an opacity, by the rules of pixel/frame_layout.h.
// The detector's samples are made from the same geometry in pixel/sample_conversion.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixel/pixel_format.h"

namespace qlv {

namespace kernels {
struct KernelSet;
enum class KernelLevel : int32_t;
}  // namespace kernels

class FrameCanvas {
 public:
  FrameCanvas();

  // Stream start. A format other than 0 and 1, a width or height below 1, or a frame
  // whose byte size does not fit 32 bits leaves the canvas unknown: it then draws
  // nothing, and nothing is converted from its frames.
  void SetGeometry(int32_t width, int32_t height, int32_t pixelFormat);
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t pixelFormat() const { return format_; }
  bool IsKnownFormat() const { return known_; }
  size_t FrameBytes() const { return frameBytes_; }
  int32_t bytesPerPixel() const { return bytesPerPixel_; }
  // Signed byte distance from one picture row to the next one down.
  ptrdiff_t rowStride() const { return rowStride_; }

  // Address of picture pixel (x, y); for an odd x in YUV 4:2:2, the Y1 byte of its pair.
  uint8_t* PixelAddress(uint8_t* frame, int32_t x, int32_t y) const;
  const uint8_t* PixelAddress(const uint8_t* frame, int32_t x, int32_t y) const;
  // The colour in frame format: B, G, R (RGB24) or Y, U, Y, V of one pair (YUV 4:2:2).
  uint32_t ColorToPixel(uint32_t colorref) const;
  static uint32_t ColorToYuvPair(uint32_t colorref);
  // Share of the old pixel out of 256; the opacity is clamped to 0..100 first.
  static int32_t BlendWeight(int32_t opacity);

  void BlendHSpan(uint8_t* frame, int32_t x1, int32_t x2, int32_t y, bool inclusive, uint32_t color,
                  int32_t opacity) const;
  void BlendVSpan(uint8_t* frame, int32_t x, int32_t y1, int32_t y2, bool inclusive, uint32_t color,
                  int32_t opacity) const;
  void BlendFrameRect(uint8_t* frame, int32_t l, int32_t t, int32_t r, int32_t b, int32_t lineWidth,
                      uint32_t color, int32_t opacity) const;
  void BlendFillRect(uint8_t* frame, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t color,
                     int32_t opacity) const;

  // Pixels [l, r) x [t, b), clipped to the frame, set to `pixel` (ColorToPixel's form) with no
  // blending. YUV 4:2:2 goes by whole pairs: an edge inside a pair moves inwards.
  void FillOpaqueRect(uint8_t* frame, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t pixel) const;

  // Rows y1 .. y2 - 1.
  struct RowRange {
    int32_t y1, y2;
  };
  // The pixels at columns xs[0 .. count) of the rows of every range, each written alone:
  // the same bytes as one BlendVSpan(x, y1, y2, not inclusive) per column and range, with
  // one set-up of the colour and the columns for all of them.
  void BlendColumns(uint8_t* frame, const int32_t* xs, int32_t count, const RowRange* ranges, int32_t rangeCount,
                    uint32_t color, int32_t opacity) const;

  // Colour and weight of each byte of one row, set run by run, then blended into many rows
  // with one pass per row: the bytes of one BlendFillRect per run over those rows, as long
  // as the runs share no pixel.
  struct RowInks {
    std::vector<uint16_t> weight, share;  // per byte of the row; 256 and 0 keep the byte
    int32_t first = 0, end = 0;           // bytes [first, end) hold every run
  };
  void ClearRowInks(RowInks& inks) const;
  // Pixels x1 .. x2 - 1 of the row (clipped) in the colour, by the pair rules of the fills.
  void AddRowInk(RowInks& inks, int32_t x1, int32_t x2, uint32_t color, int32_t opacity) const;
  // Into rows y1 .. y2 - 1 (clipped).
  void BlendRowInks(uint8_t* frame, int32_t y1, int32_t y2, const RowInks& inks) const;

  // Kernel set used by the primitives; the CPU's best unless a test chooses another.
  void SetKernelLevel(kernels::KernelLevel level);
  const kernels::KernelSet& kernelSet() const { return *kernels_; }

 private:
  struct Ink;  // colour, weight and pattern of one drawing call
  struct RowRun;  // the bytes of a run of columns, the same in every row
  Ink MakeInk(uint32_t color, int32_t opacity) const;
  // Picture columns x0..x1 (inclusive, already clipped) by the pair rule.
  RowRun PlanRun(int64_t x0, int64_t x1) const;
  void BlendRun(uint8_t* row, const RowRun& run, const Ink& ink) const;
  void HSpan(uint8_t* frame, int64_t x1, int64_t x2, int64_t y, bool inclusive, const Ink& ink) const;
  void VSpan(uint8_t* frame, int64_t x, int64_t y1, int64_t y2, bool inclusive, const Ink& ink) const;
  uint8_t* RowAddress(uint8_t* frame, int64_t y) const;

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t format_ = -1;
  bool known_ = false;
  int32_t bytesPerPixel_ = 0;
  ptrdiff_t rowStride_ = 0;
  size_t frameBytes_ = 0;
  const kernels::KernelSet* kernels_;
};

}  // namespace qlv
