// Layer bitmaps as 32-bit DIB sections, so GDI can draw on the caption layers.
#pragma once

#include "overlay/overlay_surface.h"

namespace qlv {

class GdiLayerAllocator : public LayerAllocator {
 public:
  // CreateDIBSection without a device context, DIB_RGB_COLORS, no file mapping.
  void* CreateBitmap(const LayerBitmapInfo& info, uint8_t** pixels) override;
  void DeleteBitmap(void* handle) override;
};

}  // namespace qlv
