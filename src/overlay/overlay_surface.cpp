#include "overlay/overlay_surface.h"

#include <cstdlib>

#include "pixel/mul_div.h"

namespace qlv {

OverlaySurface::OverlaySurface(LayerAllocator& allocator) : allocator_(allocator) {}

OverlaySurface::~OverlaySurface() { ClearLayers(); }

void OverlaySurface::AddLayer() {
  OverlayLayer layer;
  layer.info = std::make_unique<LayerBitmapInfo>();
  layers_.push_back(std::move(layer));
  current_ = layerCount() - 1;
}

void OverlaySurface::SelectLayer(int32_t index) {
  if (index >= 0 && index < layerCount()) current_ = index;
}

void OverlaySurface::SizeLayer(int32_t w, int32_t h) {
  if (layers_.empty()) AddLayer();
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  OverlayLayer& l = *Current();
  if (NeedsReallocation(w, l.capacityWidth, 25, 25) || NeedsReallocation(h, l.capacityHeight, 25, 25)) {
    if (l.bitmap) allocator_.DeleteBitmap(l.bitmap);
    l.bitmap = nullptr;
    l.pixels = nullptr;
    l.capacityWidth = l.capacityHeight = 0;
    l.used = OverlayRect{};
    const int32_t cw = GrownCapacity(w, 25), ch = GrownCapacity(h, 25);
    if (cw > 0 && ch > 0) {
      LayerBitmapInfo& info = *l.info;
      info = LayerBitmapInfo{};
      info.biWidth = cw;
      info.biHeight = ch;
      uint8_t* pixels = nullptr;
      void* handle = allocator_.CreateBitmap(info, &pixels);
      if (handle && pixels) {
        l.bitmap = handle;
        l.pixels = pixels;
        l.capacityWidth = cw;
        l.capacityHeight = ch;
      } else if (handle) {
        allocator_.DeleteBitmap(handle);
      }
      // On failure the capacity stays 0, so the next request tries again.
    }
  }
  l.used = OverlayRect{0, 0, w, h};
}

void OverlaySurface::CopyCoverageToAlpha(int32_t target, int32_t source) {
  if (target < 0 || target >= layerCount() || source < 0 || source >= layerCount()) return;
  const OverlayLayer& s = layers_[source];
  OverlayLayer& t = layers_[target];
  if (!s.pixels || !t.pixels) return;
  if (s.used.empty() || t.used.empty()) return;
  if (s.used.width() != t.used.width() || s.used.height() != t.used.height()) return;
  // The used rectangles start at the origin and lie inside both capacities.
  const int32_t w = s.used.width(), h = s.used.height();
  if (w > s.capacityWidth || w > t.capacityWidth || h > s.capacityHeight || h > t.capacityHeight) return;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* sp = s.pixels + static_cast<size_t>(s.capacityHeight - 1 - y) * 4 * s.capacityWidth;
    uint8_t* tp = t.pixels + static_cast<size_t>(t.capacityHeight - 1 - y) * 4 * t.capacityWidth;
    for (int32_t x = 0; x < w; ++x) tp[4 * x + 3] = sp[4 * x];
  }
}

void OverlaySurface::ClearLayers() {
  for (OverlayLayer& l : layers_) {
    if (l.bitmap) allocator_.DeleteBitmap(l.bitmap);
  }
  layers_.clear();
  current_ = -1;
}

OverlayLayer* OverlaySurface::Current() {
  return current_ >= 0 && current_ < layerCount() ? &layers_[current_] : nullptr;
}
const OverlayLayer* OverlaySurface::Current() const {
  return current_ >= 0 && current_ < layerCount() ? &layers_[current_] : nullptr;
}
void* OverlaySurface::bitmap() const { return Current() ? Current()->bitmap : nullptr; }
uint8_t* OverlaySurface::pixels() const { return Current() ? Current()->pixels : nullptr; }
int32_t OverlaySurface::capacityWidth() const { return Current() ? Current()->capacityWidth : 0; }
int32_t OverlaySurface::capacityHeight() const { return Current() ? Current()->capacityHeight : 0; }
OverlayRect OverlaySurface::used() const { return Current() ? Current()->used : OverlayRect{}; }
const LayerBitmapInfo* OverlaySurface::bitmapInfo() const { return Current() ? Current()->info.get() : nullptr; }
const OverlayLayer* OverlaySurface::layer(int32_t index) const {
  return index >= 0 && index < layerCount() ? &layers_[index] : nullptr;
}

}  // namespace qlv
