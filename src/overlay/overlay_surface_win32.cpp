#include "overlay/overlay_surface_win32.h"

#include <windows.h>

#include <cstring>

namespace qlv {

static_assert(sizeof(LayerBitmapInfo) == sizeof(BITMAPINFO), "one header and one RGBQUAD");

void* GdiLayerAllocator::CreateBitmap(const LayerBitmapInfo& info, uint8_t** pixels) {
  *pixels = nullptr;
  BITMAPINFO bi;
  std::memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = info.biSize;
  bi.bmiHeader.biWidth = info.biWidth;
  bi.bmiHeader.biHeight = info.biHeight;
  bi.bmiHeader.biPlanes = info.biPlanes;
  bi.bmiHeader.biBitCount = info.biBitCount;
  bi.bmiHeader.biCompression = info.biCompression;
  bi.bmiHeader.biSizeImage = info.biSizeImage;
  bi.bmiHeader.biXPelsPerMeter = info.biXPelsPerMeter;
  bi.bmiHeader.biYPelsPerMeter = info.biYPelsPerMeter;
  bi.bmiHeader.biClrUsed = info.biClrUsed;
  bi.bmiHeader.biClrImportant = info.biClrImportant;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  if (!bits) {
    DeleteObject(bitmap);
    return nullptr;
  }
  *pixels = static_cast<uint8_t*>(bits);
  return bitmap;
}

void GdiLayerAllocator::DeleteBitmap(void* handle) {
  if (handle) DeleteObject(static_cast<HBITMAP>(handle));
}

}  // namespace qlv
