#include "pixel/sample_conversion.h"

#include "pixel/frame_canvas.h"
#include "pixel/frame_layout.h"
#include "pixel/kernels.h"

namespace qlv {

void ConvertToSample(const uint8_t* frame, const FrameCanvas& layout, const kernels::KernelSet& k, uint32_t* sample) {
  if (!layout.IsKnownFormat() || !frame || !sample) return;
  const int32_t width = layout.width(), height = layout.height();
  const bool yuv = layout.pixelFormat() == PixelFormatYUV422;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = layout.PixelAddress(frame, 0, y);
    uint32_t* dst = PictureRow(sample, PixelFormatRGB24, y, height, width);  // samples run bottom-up
    if (yuv)
      k.yuyvToSample(src, dst, width);
    else
      k.rgb24ToSample(src, dst, width);
  }
}

}  // namespace qlv
