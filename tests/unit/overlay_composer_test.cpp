#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "overlay/overlay_composer.h"
#include "pixel/exact_double.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"

namespace qlv {
namespace {

using kernels::BlendOverlayRowRgb_C;
using kernels::BlendOverlayRowRgb_SSE2;
using kernels::BlendOverlayRowYuv_C;
using kernels::BlendOverlayRowYuv_SSE2;
using kernels::KernelLevel;
using kernels::ResampleColumns_C;
using kernels::ResampleColumns_SSE2;
using kernels::ResampleRow_C;
using kernels::ResampleRow_SSE2;

struct Entry {
  int32_t offset;
  std::vector<int16_t> weights;
};

// Decodes `count` entries, checking that all four lanes of each weight agree.
std::vector<Entry> Decode(const uint8_t* table, int32_t count) {
  std::vector<Entry> out;
  const uint8_t* p = table;
  for (int32_t i = 0; i < count; ++i) {
    Entry e;
    int32_t n;
    std::memcpy(&e.offset, p, 4);
    std::memcpy(&n, p + 4, 4);
    for (int32_t k = 0; k < n; ++k) {
      int16_t lanes[4];
      std::memcpy(lanes, p + 8 + 8 * k, 8);
      EXPECT_TRUE(lanes[0] == lanes[1] && lanes[1] == lanes[2] && lanes[2] == lanes[3]);
      e.weights.push_back(lanes[0]);
    }
    out.push_back(e);
    p += 8 + 8 * n;
  }
  return out;
}

std::vector<uint8_t> Table(int32_t a, int32_t b, int32_t start, int32_t count, int32_t step) {
  std::vector<uint8_t> t(static_cast<size_t>(count) * (8 + 8 * FilterTaps(a, b)) + 8);
  BuildFilterTable(a, b, start, count, step, t.data());
  return t;
}

TEST(Reallocation, KeepsWithinItsBandAndGrowsBySlack) {
  struct Case { int32_t need, capacity, grow, shrink; bool realloc; };
  const Case cases[] = {
      {125, 125, 25, 25, false}, {75, 125, 25, 25, false}, {74, 125, 25, 25, true}, {126, 125, 25, 25, true},
      {130, 130, 30, 30, false}, {70, 130, 30, 30, false}, {69, 130, 30, 30, true}, {131, 130, 30, 30, true},
      {1, 1000, 30, 100, false}, {1001, 1000, 30, 100, true}, {0, 0, 25, 25, false}, {1, 0, 25, 25, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NeedsReallocation(c.need, c.capacity, c.grow, c.shrink), c.realloc)
        << c.need << " in " << c.capacity;
  EXPECT_EQ(GrownCapacity(100, 25), 125);
  EXPECT_EQ(GrownCapacity(126, 25), 158);
  EXPECT_EQ(GrownCapacity(74, 25), 93);
  EXPECT_EQ(GrownCapacity(100, 30), 130);
}

TEST(ExactSin, AgreesWithTheRuntimeToRounding) {
  ExactDoubleScope exact;
  double worst = 0;
  for (int i = 0; i <= 200000; ++i) {
    const double x = i * (10.0 / 200000) + i * 1e-9;
    worst = std::max(worst, std::fabs(ExactSin(x) - std::sin(x)));
    EXPECT_EQ(ExactSin(-x), -ExactSin(x));
  }
  EXPECT_LT(worst, 4e-16);
  EXPECT_EQ(ExactSin(0.0), 0.0);
}

TEST(Lanczos, KernelValues) {
  ExactDoubleScope exact;
  EXPECT_EQ(LanczosWeight(0.0), 1.0);
  EXPECT_EQ(LanczosWeight(3.0), 0.0);
  EXPECT_EQ(LanczosWeight(-3.5), 0.0);
  for (double x : {1.0, 2.0, -1.0, -2.0}) EXPECT_LT(std::fabs(LanczosWeight(x)), 1e-15) << x;
  const double pi = 3.141592653589793;
  EXPECT_NEAR(LanczosWeight(0.5), (std::sin(pi / 2) / (pi / 2)) * (std::sin(pi / 6) / (pi / 6)), 1e-15);
  EXPECT_EQ(LanczosWeight(-1.25), LanczosWeight(1.25));
}

TEST(FilterTable, SameSizeKeepsOneFullWeightPerEntry) {
  // A caption drawn into a 768-wide frame: f = 1, at most 6 taps, one weight 16384.
  const int32_t a = 244;
  EXPECT_EQ(FilterTaps(a, a), 6);
  auto t = Table(a, a, 0, a, 4);
  auto entries = Decode(t.data(), a);
  for (int32_t i = 0; i < a; ++i) {
    const Entry& e = entries[i];
    ASSERT_LE(e.weights.size(), 6u);
    int nonzero = 0;
    for (size_t k = 0; k < e.weights.size(); ++k) {
      if (e.weights[k] == 0) continue;
      ++nonzero;
      EXPECT_EQ(e.weights[k], 16384);
      EXPECT_EQ(e.offset / 4 + static_cast<int32_t>(k), i);  // the sample itself
    }
    EXPECT_EQ(nonzero, 1) << i;
  }
}

TEST(FilterTable, HalfSizeSpansTwelveOrThirteenSamples) {
  EXPECT_EQ(FilterTaps(768, 384), 12);
  EXPECT_EQ(FilterTaps(769, 384), 13);  // f just below 0.5
  auto entries = Decode(Table(768, 384, 0, 384, 4).data(), 384);
  for (int32_t i = 3; i < 381; ++i) {
    EXPECT_EQ(entries[i].weights.size(), 12u) << i;
    int32_t sum = 0;
    for (int16_t q : entries[i].weights) sum += q;
    EXPECT_NEAR(sum, 16384, 6) << i;
  }
  EXPECT_LT(entries[0].weights.size(), 12u);  // taps before the source are dropped
  EXPECT_EQ(entries[0].offset, 0);
}

TEST(FilterTable, NegativeStepGivesNegativeOffsets) {
  auto entries = Decode(Table(100, 50, 10, 5, -400).data(), 5);
  for (const Entry& e : entries) {
    EXPECT_LE(e.offset, 0);
    EXPECT_EQ(e.offset % 400, 0);
  }
}

uint64_t Fnv(uint64_t h, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

uint64_t HashTable(uint64_t h, int32_t a, int32_t b, int32_t start, int32_t count, int32_t step) {
  auto t = Table(a, b, start, count, step);
  const uint8_t* p = t.data();
  for (int32_t i = 0; i < count; ++i) {
    int32_t n;
    std::memcpy(&n, p + 4, 4);
    h = Fnv(h, p, 8 + 8 * static_cast<size_t>(n));
    p += 8 + 8 * n;
  }
  return h;
}

uint64_t SweepHash(int32_t sourceStep, int32_t destinationStep) {
  uint64_t h = 14695981039346656037ull;
  std::vector<int32_t> sources, destinations;
  for (int32_t a = 1; a <= 400; a += sourceStep) sources.push_back(a);
  sources.push_back(400);
  for (int32_t b = 1; b <= 1200; b += destinationStep) destinations.push_back(b);
  destinations.push_back(1200);
  for (int32_t a : sources) {
    for (int32_t b : destinations) {
      h = HashTable(h, a, b, 0, b, 4);                                // whole span
      h = HashTable(h, a, b, b / 3, b / 2 > 0 ? b / 2 : 1, -4 * a);  // clipped, bottom-up rows
    }
  }
  return h;
}

// Every table of the sweep hashed: the expected value was computed by the
// native build, so the same number from the 32-bit build proves identical tables.
TEST(FilterTable, SweepHashIsTheSameInEveryBuild) {
  const uint64_t h = SweepHash(23, 61);
  EXPECT_EQ(h, 0xd3367727f9b1da78ull) << std::hex << h;
}

#if defined(__i386__) && !defined(__SSE2_MATH__)
uint16_t SwapControlWord(uint16_t cw) {
  uint16_t old;
  __asm__ __volatile__("fnstcw %0" : "=m"(old) : : "memory");
  __asm__ __volatile__("fldcw %0" : : "m"(cw) : "memory");
  return old;
}
#else
uint16_t SwapControlWord(uint16_t cw) { return cw; }  // SSE doubles have no such setting
#endif

// Whatever precision and rounding the host left in the x87 control word, the
// tables come out the same (and the host's setting is given back).
TEST(FilterTable, HostFpuSettingsDoNotMatter) {
  const uint64_t expected = 0x326afcf5e78e2de5ull;
  for (uint16_t cw : {0x037F, 0x007F, 0x0E7F}) {  // 64-bit, 24-bit precision; toward zero
    const uint16_t old = SwapControlWord(cw);
    const uint64_t h = SweepHash(67, 211);
    const uint16_t after = SwapControlWord(old);
    EXPECT_EQ(h, expected) << std::hex << cw << " " << h;
    if (old != cw) {
      EXPECT_EQ(after, cw);
    }
  }
}

// Builds the prepared overlay of a 768 x 576 frame, where it equals the layer.
struct Layer {
  int32_t capW, capH, w, h;
  std::vector<uint8_t> pixels;
  Layer(int32_t cw, int32_t ch, int32_t uw, int32_t uh) : capW(cw), capH(ch), w(uw), h(uh), pixels(cw * ch * 4) {}
  uint8_t* At(int32_t x, int32_t y) { return pixels.data() + (static_cast<size_t>(capH - 1 - y) * capW + x) * 4; }
  void Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        uint8_t* p = At(x, y);
        p[0] = b; p[1] = g; p[2] = r; p[3] = a;
      }
  }
  void Prepare(OverlayComposer& c, const OverlayGeometry& g) {
    c.PrepareOverlay(pixels.data(), capW, capH, OverlayRect{0, 0, w, h}, MulDiv(w, 1000, 768), MulDiv(h, 1000, 576),
                     g);
  }
};

const uint8_t* PreparedAt(const OverlayComposer& c, int32_t x, int32_t y, bool yuv) {
  const int32_t row = yuv ? y : c.preparedCapacityHeight() - 1 - y;
  return c.preparedPixels() + (static_cast<size_t>(row) * c.preparedCapacityWidth() + x) * 4;
}

TEST(PrepareOverlay, At768By576TheLayerIsCopied) {
  std::mt19937 rng(7);
  Layer layer(61, 23, 48, 19);
  for (auto& v : layer.pixels) v = static_cast<uint8_t>(rng());
  const OverlayGeometry rgb{768, 576, OverlayGeometry::kRgb24};
  OverlayComposer c;
  layer.Prepare(c, rgb);
  ASSERT_EQ(c.prepared(), (OverlayRect{0, 0, 48, 19}));
  for (int32_t y = 0; y < 19; ++y)
    for (int32_t x = 0; x < 48; ++x) ASSERT_EQ(std::memcmp(PreparedAt(c, x, y, false), layer.At(x, y), 4), 0);
}

TEST(PrepareOverlay, YuvFramesGetYCbCr) {
  struct Case { uint8_t b, g, r; uint8_t y, cb, cr; };
  const Case cases[] = {{0, 0, 255, 76, 84, 255}, {0, 255, 0, 149, 43, 21}, {255, 0, 0, 29, 255, 107},
                        {0, 255, 255, 225, 0, 148}, {128, 128, 128, 128, 128, 128}, {0, 0, 0, 0, 128, 128}};
  for (const Case& k : cases) {
    Layer layer(10, 4, 8, 3);
    layer.Fill(k.b, k.g, k.r, 200);
    OverlayComposer c;
    layer.Prepare(c, OverlayGeometry{768, 576, OverlayGeometry::kYuv422});
    const uint8_t* p = PreparedAt(c, 3, 1, true);
    EXPECT_EQ(p[0], k.y);
    EXPECT_EQ(p[1], k.cb);
    EXPECT_EQ(p[2], k.cr);
    EXPECT_EQ(p[3], 200);
  }
}

TEST(PrepareOverlay, TablesAreRebuiltOnlyWhenTheirKeyChanges) {
  Layer layer(300, 60, 244, 40);
  layer.Fill(10, 20, 30, 255);
  const OverlayGeometry g{720, 576, OverlayGeometry::kYuv422};
  OverlayComposer c;
  layer.Prepare(c, g);
  EXPECT_EQ(c.prepared(), (OverlayRect{0, 0, 229, 40}));
  EXPECT_EQ(c.horizontalTable().builds(), 1);
  EXPECT_EQ(c.verticalTable().builds(), 1);
  const int32_t capacity = c.preparedCapacityWidth();
  layer.Prepare(c, g);
  EXPECT_EQ(c.horizontalTable().builds(), 1);
  EXPECT_EQ(c.verticalTable().builds(), 1);
  layer.w = 250;  // a little wider: new horizontal key, same buffers
  layer.Prepare(c, g);
  EXPECT_EQ(c.horizontalTable().builds(), 2);
  EXPECT_EQ(c.verticalTable().builds(), 1);
  EXPECT_EQ(c.preparedCapacityWidth(), capacity);
  // Downscaling hard needs longer entries: the table is reallocated for them.
  const int32_t entryBytes = c.horizontalTable().entryBytes();
  c.PrepareOverlay(layer.pixels.data(), layer.capW, layer.capH, OverlayRect{0, 0, 250, 40}, 30, 69, g);
  EXPECT_GT(c.horizontalTable().entryBytes(), entryBytes);
  EXPECT_EQ(c.horizontalTable().key().destinationSpan, MulDiv(720, 30, 1000));
}

TEST(PrepareOverlay, NothingForUnknownFormatsOrMissingPixels) {
  Layer layer(10, 10, 8, 8);
  OverlayComposer c;
  c.PrepareOverlay(layer.pixels.data(), 10, 10, OverlayRect{0, 0, 8, 8}, 100, 100, OverlayGeometry{768, 576, 2});
  EXPECT_TRUE(c.prepared().empty());
  c.PrepareOverlay(nullptr, 10, 10, OverlayRect{0, 0, 8, 8}, 100, 100, OverlayGeometry{768, 576, 1});
  EXPECT_TRUE(c.prepared().empty());
  c.PrepareOverlay(layer.pixels.data(), 10, 10, OverlayRect{20, 20, 30, 30}, 100, 100, OverlayGeometry{768, 576, 1});
  EXPECT_TRUE(c.prepared().empty());  // the used rectangle lies outside the layer
  c.PrepareOverlay(layer.pixels.data(), 10, 10, OverlayRect{0, 0, 8, 8}, -5, 100, OverlayGeometry{768, 576, 1});
  EXPECT_TRUE(c.prepared().empty());
}

// ---- blending -----------------------------------------------------------------

struct Frame {
  OverlayGeometry g;
  std::vector<uint8_t> bytes;
  Frame(int32_t w, int32_t h, int32_t format, uint8_t fill)
      : g{w, h, format}, bytes(static_cast<size_t>(w) * h * (format == 0 ? 2 : 3), fill) {}
  uint8_t* Rgb(int32_t x, int32_t y) { return bytes.data() + (static_cast<size_t>(g.height - 1 - y) * g.width + x) * 3; }
  uint8_t* Group(int32_t x, int32_t y) { return bytes.data() + (static_cast<size_t>(y) * g.width + (x & ~1)) * 2; }
};

TEST(BlendOverlay, FullCoverageAtFullOpacityReplaces) {
  std::mt19937 rng(3);
  Layer layer(20, 8, 16, 6);
  layer.Fill(11, 22, 33, 255);
  Frame f(768, 576, OverlayGeometry::kRgb24, 0);
  for (auto& v : f.bytes) v = static_cast<uint8_t>(rng());
  OverlayComposer c;
  layer.Prepare(c, f.g);
  c.BlendOverlay(f.bytes.data(), 500, 500, 100, f.g);
  const int32_t x0 = MulDiv(768, 500, 1000), y0 = MulDiv(576, 500, 1000);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const uint8_t* p = f.Rgb(x0 + x, y0 + y);
      ASSERT_TRUE(p[0] == 11 && p[1] == 22 && p[2] == 33) << x << "," << y;
    }
  EXPECT_NE(f.Rgb(x0 - 1, y0)[0] == 11 && f.Rgb(x0 - 1, y0)[1] == 22, true);
}

TEST(BlendOverlay, OpacityZeroAndCoverageZeroChangeNothing) {
  std::mt19937 rng(4);
  for (int32_t format : {0, 1}) {
    Layer opaque(20, 8, 16, 6), clear(20, 8, 16, 6);
    opaque.Fill(200, 100, 50, 255);
    clear.Fill(0, 0, 0, 0);  // transparent is black, premultiplied
    Frame f(768, 576, format, 0);
    for (auto& v : f.bytes) v = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> before = f.bytes;
    OverlayComposer c;
    opaque.Prepare(c, f.g);
    c.BlendOverlay(f.bytes.data(), 101, 333, 0, f.g);
    EXPECT_EQ(f.bytes, before);
    clear.Prepare(c, f.g);
    c.BlendOverlay(f.bytes.data(), 101, 333, 100, f.g);
    EXPECT_EQ(f.bytes, before);
  }
}

TEST(BlendOverlay, HalfOpacityFollowsTheFormula) {
  Layer layer(8, 4, 4, 2);
  layer.Fill(0, 0, 100, 128);  // premultiplied red-ish, a = 129
  Frame f(768, 576, OverlayGeometry::kRgb24, 200);
  OverlayComposer c;
  layer.Prepare(c, f.g);
  c.BlendOverlay(f.bytes.data(), 0, 0, 50, f.g);
  // t = floor(129 * 200 / 256) = 100; B: 200 + floor((0 - 100) * 128 / 256) = 150;
  // R: 200 + floor((100 - 100) * 128 / 256) = 200.
  EXPECT_EQ(f.Rgb(0, 0)[0], 150);
  EXPECT_EQ(f.Rgb(0, 0)[2], 200);
}

TEST(BlendOverlay, OddStartTouchesOnlyY1AndALoneEndOnlyY0UV) {
  // Six pixels from x = 7: pixel 7 alone, pairs 8-9 and 10-11, pixel 12 alone.
  Layer layer(8, 4, 6, 2);
  layer.Fill(0, 0, 255, 255);  // red: Y 76, Cb 84, Cr 255
  Frame f(768, 576, OverlayGeometry::kYuv422, 16);
  OverlayComposer c;
  layer.Prepare(c, f.g);
  ASSERT_EQ(c.prepared(), (OverlayRect{0, 0, 6, 2}));
  const int32_t px = 9;  // MulDiv(768, 9, 1000) = 7: odd
  c.BlendOverlay(f.bytes.data(), px, 0, 100, f.g);
  for (int32_t y = 0; y < 2; ++y) {
    const uint8_t* first = f.Group(7, y);  // pixels 6, 7
    EXPECT_EQ(first[0], 16);
    EXPECT_EQ(first[1], 16);
    EXPECT_EQ(first[2], 76);
    EXPECT_EQ(first[3], 16);
    for (int32_t x : {8, 10}) {
      const uint8_t* g = f.Group(x, y);
      EXPECT_TRUE(g[0] == 76 && g[1] == 84 && g[2] == 76 && g[3] == 255) << x;
    }
    const uint8_t* last = f.Group(12, y);  // pixel 12 alone
    EXPECT_EQ(last[0], 76);
    EXPECT_EQ(last[1], 84);
    EXPECT_EQ(last[2], 16);
    EXPECT_EQ(last[3], 255);
    EXPECT_EQ(f.Group(14, y)[0], 16);
  }
  EXPECT_EQ(f.Group(8, 2)[0], 16);
}

TEST(BlendOverlay, CutAtTheRightEdge) {
  Layer layer(24, 4, 20, 3);
  for (int32_t x = 0; x < 20; ++x)
    for (int32_t y = 0; y < 3; ++y) {
      uint8_t* p = layer.At(x, y);
      p[0] = static_cast<uint8_t>(10 * x); p[1] = 1; p[2] = 2; p[3] = 255;
    }
  Frame f(768, 576, OverlayGeometry::kRgb24, 99);
  OverlayComposer c;
  layer.Prepare(c, f.g);
  c.BlendOverlay(f.bytes.data(), 990, 100, 100, f.g);  // x = 760: 8 columns fit
  const int32_t y0 = MulDiv(576, 100, 1000);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(f.Rgb(760 + x, y0)[0], 10 * x);
  EXPECT_EQ(f.Rgb(759, y0)[0], 99);
  EXPECT_EQ(f.Rgb(0, y0 - 1)[0], 99);  // the next row up in memory is untouched (no wrap)
  EXPECT_EQ(f.Rgb(0, y0 + 1)[0], 99);
}

TEST(BlendOverlay, NegativePositionStartsAtTheRightSourceColumn) {
  Layer layer(24, 4, 20, 3);
  for (int32_t x = 0; x < 20; ++x)
    for (int32_t y = 0; y < 3; ++y) {
      uint8_t* p = layer.At(x, y);
      p[0] = static_cast<uint8_t>(10 * x + y); p[1] = 1; p[2] = 2; p[3] = 255;
    }
  for (int32_t format : {0, 1}) {
    Frame f(768, 576, format, 99);
    OverlayComposer c;
    layer.Prepare(c, f.g);
    c.BlendOverlay(f.bytes.data(), -10, -3, 100, f.g);  // x = -8, y = MulDiv(576, -3, 1000) = -2
    if (format == OverlayGeometry::kRgb24) {
      for (int32_t x = 0; x < 12; ++x) EXPECT_EQ(f.Rgb(x, 0)[0], 10 * (x + 8) + 2) << x;
      EXPECT_EQ(f.Rgb(12, 0)[0], 99);
      EXPECT_EQ(f.Rgb(0, 1)[0], 99);
    } else {
      // Y of pixel 0 comes from source column 8 (converted to luma).
      Frame ref(768, 576, format, 99);
      OverlayComposer r;
      layer.Prepare(r, ref.g);
      r.BlendOverlay(ref.bytes.data(), 0, 0, 100, ref.g);
      EXPECT_EQ(f.Group(0, 0)[0], ref.Group(8, 2)[0]);
      EXPECT_EQ(f.Group(10, 0)[2], ref.Group(18, 2)[2]);
      EXPECT_EQ(f.Group(12, 0)[0], 99);
    }
  }
}

TEST(BlendOverlay, WhollyOutsideDrawsNothing) {
  Layer layer(8, 4, 4, 2);
  layer.Fill(1, 2, 3, 255);
  Frame f(768, 576, OverlayGeometry::kYuv422, 50);
  const std::vector<uint8_t> before = f.bytes;
  OverlayComposer c;
  layer.Prepare(c, f.g);
  for (auto [px, py] : {std::pair<int, int>{1000, 0}, {-1000, 0}, {0, 1000}, {0, -1000}, {2000000, 5}})
    c.BlendOverlay(f.bytes.data(), px, py, 100, f.g);
  EXPECT_EQ(f.bytes, before);
  Frame rgb(768, 576, OverlayGeometry::kRgb24, 50);
  c.BlendOverlay(rgb.bytes.data(), 0, 0, 100, rgb.g);  // prepared for YUV: not blended into RGB
  EXPECT_EQ(rgb.bytes, std::vector<uint8_t>(rgb.bytes.size(), 50));
}

// ---- kernels: reference against SSE2 -------------------------------------------

const int32_t kAwkward[] = {1, 2, 3, 7, 33, 719, 721};

TEST(OverlayKernels, BlendVariantsMatchTheReference) {
  std::mt19937 rng(11);
  for (int32_t count : kAwkward) {
    for (int32_t op : {0, 1, 77, 128, 255, 256}) {
      for (int32_t skew : {0, 1}) {
        std::vector<uint8_t> overlay(count * 8 + 1), frame(count * 4 + 1);
        for (auto& v : overlay) v = static_cast<uint8_t>(rng());
        for (auto& v : frame) v = static_cast<uint8_t>(rng());
        for (int32_t i = 0; i < count; i += 5) overlay[skew + 4 * i + 3] = (i % 10) ? 255 : 0;
        // Runs of transparent black (both forms), which the fast paths may skip.
        for (int32_t i = 0; i < 2 * count; ++i) {
          if ((i / 8) % 3 != 1) continue;
          const uint8_t clear[4] = {0, static_cast<uint8_t>((i / 24) % 2 ? 128 : 0),
                                    static_cast<uint8_t>((i / 24) % 2 ? 128 : 0), 0};
          std::memcpy(overlay.data() + skew + 4 * i, clear, 4);
        }
        std::vector<uint8_t> a = frame, b = frame;
        BlendOverlayRowRgb_C(a.data() + skew, overlay.data() + skew, count, op);
        BlendOverlayRowRgb_SSE2(b.data() + skew, overlay.data() + skew, count, op);
        ASSERT_EQ(a, b) << "rgb " << count << " op " << op;
        a = frame, b = frame;
        const int32_t pairs = count / 2 > 0 ? count / 2 : 1;
        BlendOverlayRowYuv_C(a.data() + skew, overlay.data() + skew, pairs, op);
        BlendOverlayRowYuv_SSE2(b.data() + skew, overlay.data() + skew, pairs, op);
        ASSERT_EQ(a, b) << "yuv " << pairs << " op " << op;
      }
    }
  }
}

TEST(OverlayKernels, ResamplerPassesMatchTheReference) {
  std::mt19937 rng(12);
  for (int32_t width : kAwkward) {
    for (int32_t taps : {1, 2, 5, 6, 13}) {
      // Random weights (overflowing sums included: the 16-bit wrap must agree).
      std::vector<uint8_t> entry(8 + 8 * taps);
      int32_t n = taps;
      std::memcpy(entry.data() + 4, &n, 4);
      for (int32_t k = 0; k < taps; ++k) {
        int16_t q = static_cast<int16_t>(rng());
        for (int lane = 0; lane < 4; ++lane) std::memcpy(entry.data() + 8 + 8 * k + 2 * lane, &q, 2);
      }
      const int32_t stride = width * 4 + 4;
      std::vector<uint8_t> src(static_cast<size_t>(stride) * (taps + 1));
      for (auto& v : src) v = static_cast<uint8_t>(rng());
      for (int32_t up : {0, 1}) {  // both row orders
        int32_t offset = up ? stride * taps : 0;
        std::memcpy(entry.data(), &offset, 4);
        const uint8_t* base = src.data() + 1;
        std::vector<uint8_t> a(width * 4), b(width * 4);
        ResampleColumns_C(base, up ? -stride : stride, width, entry.data(), a.data());
        ResampleColumns_SSE2(base, up ? -stride : stride, width, entry.data(), b.data());
        ASSERT_EQ(a, b) << width << " taps " << taps;
      }
      // Horizontal: `width` entries of `taps` over a row.
      std::vector<uint8_t> table, row((width + taps) * 4 + 1);
      for (auto& v : row) v = static_cast<uint8_t>(rng());
      for (int32_t i = 0; i < width; ++i) {
        int32_t off = 4 * (i % (width + 1)), cnt = 1 + static_cast<int32_t>(rng() % taps);
        size_t at = table.size();
        table.resize(at + 8 + 8 * cnt);
        std::memcpy(table.data() + at, &off, 4);
        std::memcpy(table.data() + at + 4, &cnt, 4);
        for (int32_t k = 0; k < cnt; ++k) {
          int16_t q = static_cast<int16_t>(rng());
          for (int lane = 0; lane < 4; ++lane) std::memcpy(table.data() + at + 8 + 8 * k + 2 * lane, &q, 2);
        }
      }
      std::vector<uint8_t> a(width * 4), b(width * 4);
      ResampleRow_C(row.data() + 1, table.data(), width, a.data());
      ResampleRow_SSE2(row.data() + 1, table.data(), width, b.data());
      ASSERT_EQ(a, b) << width << " taps " << taps;
    }
  }
}

TEST(OverlayKernels, WholePrepareAndBlendAgree) {
  std::mt19937 rng(13);
  Layer layer(300, 60, 251, 43);
  for (auto& v : layer.pixels) v = static_cast<uint8_t>(rng());
  for (int32_t format : {0, 1}) {
    for (auto [w, h] : {std::pair<int32_t, int32_t>{720, 576}, {1920, 1080}, {352, 288}}) {
      const OverlayGeometry g{w, h, format};
      OverlayComposer ref(KernelLevel::Reference), fast(kernels::ActiveKernels().level);
      for (OverlayComposer* c : {&ref, &fast})
        c->PrepareOverlay(layer.pixels.data(), 300, 60, OverlayRect{0, 0, 251, 43}, 327, 75, g);
      ASSERT_EQ(ref.prepared(), fast.prepared());
      for (int32_t y = 0; y < ref.prepared().bottom; ++y)
        ASSERT_EQ(std::memcmp(PreparedAt(ref, 0, y, format == 0), PreparedAt(fast, 0, y, format == 0),
                              4 * ref.prepared().right), 0) << y;
      Frame a(w, h, format, 0);
      for (auto& v : a.bytes) v = static_cast<uint8_t>(rng());
      Frame b = a;
      ref.BlendOverlay(a.bytes.data(), 13, 900, 63, g);
      fast.BlendOverlay(b.bytes.data(), 13, 900, 63, g);
      ASSERT_EQ(a.bytes, b.bytes);
    }
  }
}

}  // namespace
}  // namespace qlv
