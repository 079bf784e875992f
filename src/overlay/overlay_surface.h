// GDI-drawable 32-bit layers (B, G, R, A, rows bottom-up) on which the caption is
// painted, with the rule by which their bitmaps grow and shrink.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "overlay/overlay_composer.h"

namespace qlv {

// The bitmap description handed to the allocator: a 40-byte header and one
// RGBQUAD, in the platform's field order.
struct LayerBitmapInfo {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: bottom-up rows
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 32;
  uint32_t biCompression = 0;  // uncompressed
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
  uint8_t colors[4] = {0, 0, 0, 0};
};

// Makes and deletes layer bitmaps: DIB sections in the Windows build, heap
// blocks in tests.
class LayerAllocator {
 public:
  virtual ~LayerAllocator() = default;
  // Returns an opaque bitmap handle (null on failure) and its pixel memory.
  virtual void* CreateBitmap(const LayerBitmapInfo& info, uint8_t** pixels) = 0;
  virtual void DeleteBitmap(void* handle) = 0;
};

struct OverlayLayer {
  void* bitmap = nullptr;                  // owned; null until the first SizeLayer
  std::unique_ptr<LayerBitmapInfo> info;   // owned
  uint8_t* pixels = nullptr;               // into the bitmap; null when none exists
  int32_t capacityWidth = 0;
  int32_t capacityHeight = 0;
  OverlayRect used;                        // {0, 0, w, h}: the part last asked for
};

class OverlaySurface {
 public:
  explicit OverlaySurface(LayerAllocator& allocator);
  ~OverlaySurface();
  OverlaySurface(const OverlaySurface&) = delete;
  OverlaySurface& operator=(const OverlaySurface&) = delete;

  void AddLayer();                 // appends an empty layer and makes it current
  void SelectLayer(int32_t index); // ignored when out of range
  // Asks for a w x h picture; the bitmap is reallocated by the 25 / 25 rule.
  void SizeLayer(int32_t w, int32_t h);
  // A byte of every pixel of the source's used rectangle becomes the target's alpha.
  void CopyCoverageToAlpha(int32_t target, int32_t source);
  void ClearLayers();              // deletes every bitmap and the list

  int32_t layerCount() const { return static_cast<int32_t>(layers_.size()); }
  int32_t currentIndex() const { return current_; }
  // Accessors for the current layer (empty values when there is none).
  void* bitmap() const;
  uint8_t* pixels() const;
  int32_t capacityWidth() const;
  int32_t capacityHeight() const;
  OverlayRect used() const;
  const LayerBitmapInfo* bitmapInfo() const;
  const OverlayLayer* layer(int32_t index) const;

 private:
  OverlayLayer* Current();
  const OverlayLayer* Current() const;

  LayerAllocator& allocator_;
  std::vector<OverlayLayer> layers_;
  int32_t current_ = -1;
};

}  // namespace qlv
