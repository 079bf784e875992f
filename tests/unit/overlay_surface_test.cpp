#include <gtest/gtest.h>

#include "heap_layer_allocator.h"
#include "overlay/overlay_surface.h"

namespace qlv {
namespace {

TEST(OverlaySurface, SizeLayerFollowsTheTwentyFivePercentRule) {
  HeapLayerAllocator heap;
  OverlaySurface s(heap);
  s.SizeLayer(100, 20);  // no layer yet: one is added first
  EXPECT_EQ(s.layerCount(), 1);
  EXPECT_EQ(s.capacityWidth(), 125);
  EXPECT_EQ(s.capacityHeight(), 25);
  EXPECT_EQ(heap.created(), 1);
  struct Step { int32_t w, h, capW, capH, created; };
  const Step steps[] = {
      {75, 15, 125, 25, 1}, {125, 25, 125, 25, 1}, {90, 20, 125, 25, 1},
      {126, 20, 158, 25, 2},  // one dimension triggers, both get new capacities
      {74, 20, 93, 25, 3},    {74, 14, 93, 18, 4}, {93, 18, 93, 18, 4},
  };
  for (const Step& st : steps) {
    s.SizeLayer(st.w, st.h);
    EXPECT_EQ(s.capacityWidth(), st.capW) << st.w << "x" << st.h;
    EXPECT_EQ(s.capacityHeight(), st.capH) << st.w << "x" << st.h;
    EXPECT_EQ(heap.created(), st.created) << st.w << "x" << st.h;
    EXPECT_EQ(s.used(), (OverlayRect{0, 0, st.w, st.h}));
  }
  EXPECT_EQ(heap.deleted(), heap.created() - 1);
  const LayerBitmapInfo* info = s.bitmapInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->biSize, 40u);
  EXPECT_EQ(info->biWidth, 93);
  EXPECT_EQ(info->biHeight, 18);  // positive: bottom-up
  EXPECT_EQ(info->biPlanes, 1);
  EXPECT_EQ(info->biBitCount, 32);
  EXPECT_EQ(info->biCompression, 0u);
  EXPECT_EQ(sizeof(LayerBitmapInfo), 44u);
  s.ClearLayers();
  EXPECT_EQ(heap.deleted(), heap.created());
  EXPECT_EQ(s.layerCount(), 0);
  EXPECT_EQ(s.pixels(), nullptr);
}

TEST(OverlaySurface, ZeroSizeAndFailedBitmapsLeaveNoPixelsAndRetry) {
  HeapLayerAllocator heap;
  OverlaySurface s(heap);
  s.AddLayer();
  s.SizeLayer(0, 10);
  EXPECT_EQ(s.pixels(), nullptr);
  EXPECT_EQ(s.used(), (OverlayRect{0, 0, 0, 10}));
  heap.FailNext(true);
  s.SizeLayer(40, 10);
  EXPECT_EQ(s.pixels(), nullptr);
  EXPECT_EQ(s.capacityWidth(), 0);
  s.SizeLayer(40, 10);  // tried again
  EXPECT_NE(s.pixels(), nullptr);
  EXPECT_EQ(s.capacityWidth(), 50);
  s.SizeLayer(-5, -5);  // nonsense sizes count as 0
  EXPECT_EQ(s.pixels(), nullptr);
}

TEST(OverlaySurface, SelectLayerIgnoresIndicesOutOfRange) {
  HeapLayerAllocator heap;
  OverlaySurface s(heap);
  s.AddLayer();
  s.AddLayer();
  EXPECT_EQ(s.currentIndex(), 1);
  s.SelectLayer(0);
  s.SizeLayer(10, 10);
  for (int32_t bad : {2, -1, 1000}) {
    s.SelectLayer(bad);
    EXPECT_EQ(s.currentIndex(), 0);
  }
  s.SelectLayer(1);
  EXPECT_EQ(s.pixels(), nullptr);  // layers are sized one by one
}

TEST(OverlaySurface, CoverageBecomesAlphaRowByRowFromTheBottom) {
  HeapLayerAllocator heap;
  OverlaySurface s(heap);
  s.AddLayer();
  s.AddLayer();
  s.SelectLayer(0);
  s.SizeLayer(7, 5);
  s.SelectLayer(1);
  s.SizeLayer(7, 5);
  const OverlayLayer* colour = s.layer(0);
  const OverlayLayer* cover = s.layer(1);
  ASSERT_TRUE(colour->pixels && cover->pixels);
  for (int32_t y = 0; y < colour->capacityHeight; ++y)
    for (int32_t x = 0; x < colour->capacityWidth; ++x) {
      uint8_t* c = colour->pixels + (y * colour->capacityWidth + x) * 4;
      uint8_t* k = cover->pixels + (y * cover->capacityWidth + x) * 4;
      c[3] = 0xEE;
      k[0] = static_cast<uint8_t>(16 * y + x);  // memory row y
      k[1] = k[2] = k[3] = 0x55;
    }
  s.CopyCoverageToAlpha(0, 1);
  for (int32_t y = 0; y < colour->capacityHeight; ++y)
    for (int32_t x = 0; x < colour->capacityWidth; ++x) {
      const uint8_t a = colour->pixels[(y * colour->capacityWidth + x) * 4 + 3];
      // Picture rows 0..4 are memory rows capH-1 .. capH-5; columns past 7 keep their alpha.
      const bool inside = x < 7 && y >= colour->capacityHeight - 5;
      EXPECT_EQ(a, inside ? 16 * y + x : 0xEE) << x << "," << y;
    }
}

TEST(OverlaySurface, CoverageCopyNeedsMatchingUsedSizes) {
  HeapLayerAllocator heap;
  OverlaySurface s(heap);
  s.AddLayer();
  s.AddLayer();
  s.SelectLayer(0);
  s.SizeLayer(8, 4);
  s.SelectLayer(1);
  s.SizeLayer(9, 4);  // same capacity (10 x 5), another used width
  const OverlayLayer* colour = s.layer(0);
  for (int32_t i = 0; i < 10 * 5; ++i) colour->pixels[i * 4 + 3] = 0x11;
  for (int32_t i = 0; i < 10 * 5; ++i) s.layer(1)->pixels[i * 4] = 0x99;
  s.CopyCoverageToAlpha(0, 1);
  s.CopyCoverageToAlpha(0, 7);
  s.CopyCoverageToAlpha(-1, 1);
  for (int32_t i = 0; i < 10 * 5; ++i) EXPECT_EQ(colour->pixels[i * 4 + 3], 0x11);
}

}  // namespace
}  // namespace qlv
