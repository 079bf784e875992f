// The two frame layouts the host delivers, by the codes its stream format carries.
#pragma once

#include <cstdint>

namespace qlv {

// YUV422: Y0 U Y1 V per pixel pair, 2 bytes a pixel, top row first.
// RGB24: B G R, 3 bytes a pixel, bottom row first.
enum PixelFormat : int32_t { PixelFormatYUV422 = 0, PixelFormatRGB24 = 1 };

}  // namespace qlv
