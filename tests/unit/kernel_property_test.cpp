// Every SIMD variant against the reference: zero differing bytes on random input of
// awkward sizes, and the drawing primitives against a per-pixel model of the pair rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "detect/motion_detector.h"
#include "overlay/state_overlay.h"
#include "pixel/sample_conversion.h"
#include "pixel_test_util.h"

namespace qlv {
namespace {

using kernels::KernelLevel;
using kernels::KernelSet;
using testutil::RandomBytes;

struct Size { int32_t w, h; };

const int32_t kRowWidths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 32, 33, 34, 47, 48, 49, 718, 719, 721, 722};

TEST(KernelProperty, SampleRows) {
  std::mt19937 rng(1);
  for (const KernelSet* k : testutil::SimdLevels())
    for (int32_t w : kRowWidths)
      for (int rep = 0; rep < 4; ++rep) {
        std::vector<uint8_t> yuv = RandomBytes(rng, 2 * w), rgb = RandomBytes(rng, 3 * w);
        std::vector<uint32_t> a(w), b(w);
        testutil::Reference().yuyvToSample(yuv.data(), a.data(), w);
        k->yuyvToSample(yuv.data(), b.data(), w);
        EXPECT_EQ(a, b) << k->name << " yuv width " << w;
        testutil::Reference().rgb24ToSample(rgb.data(), a.data(), w);
        k->rgb24ToSample(rgb.data(), b.data(), w);
        EXPECT_EQ(a, b) << k->name << " rgb width " << w;

        // Column sums over several rows, both row directions, up to the 256-row limit.
        const int32_t rows = rep == 3 ? kernels::kMaxAccumulateRows : 1 + rep * 2;
        std::vector<uint8_t> yuvRows = RandomBytes(rng, 2 * w * rows), rgbRows = RandomBytes(rng, 3 * w * rows);
        if (rep == 3) std::fill(yuvRows.begin(), yuvRows.end(), 255), std::fill(rgbRows.begin(), rgbRows.end(), 255);
        std::vector<uint16_t> accA(4 * w), accB;
        for (auto& v : accA) v = static_cast<uint16_t>(rep == 3 ? 0 : rng() % 60000);
        accB = accA;
        testutil::Reference().yuyvAccumulateRows(yuvRows.data(), 2 * w, rows, accA.data(), w);
        k->yuyvAccumulateRows(yuvRows.data(), 2 * w, rows, accB.data(), w);
        EXPECT_EQ(accA, accB) << k->name << " yuv sums width " << w;
        const uint8_t* lastRow = rgbRows.data() + 3 * w * (rows - 1);
        testutil::Reference().rgb24AccumulateRows(lastRow, -3 * w, rows, accA.data(), w);
        k->rgb24AccumulateRows(lastRow, -3 * w, rows, accB.data(), w);
        EXPECT_EQ(accA, accB) << k->name << " rgb sums width " << w;

        uint32_t colA[4] = {9, 8, 7, 6}, colB[4] = {9, 8, 7, 6};
        testutil::Reference().sumColumns(accA.data(), w, colA);
        k->sumColumns(accA.data(), w, colB);
        EXPECT_TRUE(std::equal(colA, colA + 4, colB)) << k->name << " column sums width " << w;
        uint32_t sumsA[4] = {1, 2, 3, 4}, sumsB[4] = {1, 2, 3, 4};
        testutil::Reference().sumSampleRow(a.data(), w, sumsA);
        k->sumSampleRow(a.data(), w, sumsB);
        EXPECT_TRUE(std::equal(sumsA, sumsA + 4, sumsB)) << k->name << " row sums width " << w;
      }
}

TEST(KernelProperty, LongSampleRowSums) {
  std::mt19937 rng(2);
  const int32_t w = 5000;  // beyond the 16-bit partial sums
  std::vector<uint32_t> row(w);
  for (auto& v : row) v = 0xFFFFFFFFu - (rng() & 0x03030303u);
  for (const KernelSet* k : testutil::SimdLevels()) {
    uint32_t a[4] = {}, b[4] = {};
    testutil::Reference().sumSampleRow(row.data(), w, a);
    k->sumSampleRow(row.data(), w, b);
    EXPECT_TRUE(std::equal(a, a + 4, b)) << k->name;
  }
}

TEST(KernelProperty, ColourRuns) {
  std::mt19937 rng(3);
  const int32_t weights[] = {0, 1, 3, 128, 179, 253, 255, 256};
  for (const KernelSet* k : testutil::SimdLevels())
    for (int rep = 0; rep < 400; ++rep) {
      std::vector<uint8_t> pattern = RandomBytes(rng, kernels::kPatternBytes);
      pattern.insert(pattern.end(), pattern.begin(), pattern.end());
      int32_t bytes = static_cast<int32_t>(rng() % 400);
      int32_t w = rep % 2 ? weights[rng() % 8] : static_cast<int32_t>(rng() % 257);
      std::vector<uint8_t> a = RandomBytes(rng, bytes), b = a, fa = a, fb = a;
      testutil::Reference().blendColorRun(a.data(), bytes, pattern.data(), w);
      k->blendColorRun(b.data(), bytes, pattern.data(), w);
      EXPECT_EQ(a, b) << k->name << " bytes " << bytes << " w " << w;
      testutil::Reference().fillColorRun(fa.data(), bytes, pattern.data());
      k->fillColorRun(fb.data(), bytes, pattern.data());
      EXPECT_EQ(fa, fb) << k->name << " bytes " << bytes;
    }
}

TEST(KernelProperty, InkRows) {
  std::mt19937 rng(10);
  for (const KernelSet* k : testutil::SimdLevels())
    for (int rep = 0; rep < 300; ++rep) {
      const int32_t bytes = static_cast<int32_t>(rng() % 200);
      std::vector<uint16_t> weight(bytes), share(bytes);
      for (int32_t i = 0; i < bytes; ++i) {
        const uint32_t edge[] = {0, 1, 255, 256};
        weight[i] = static_cast<uint16_t>(rep % 3 == 0 ? edge[rng() % 4] : rng() % 257);
        share[i] = static_cast<uint16_t>((rng() & 0xFF) * (256u - weight[i]));
      }
      std::vector<uint8_t> a = RandomBytes(rng, bytes), b = a;
      testutil::Reference().blendInkRow(a.data(), bytes, weight.data(), share.data());
      k->blendInkRow(b.data(), bytes, weight.data(), share.data());
      EXPECT_EQ(a, b) << k->name << " bytes " << bytes;
    }
}

// Runs that tile a row, set as inks and blended in one pass per row, against one fill per run.
TEST(CanvasProperty, RowInksEqualOneFillPerRun) {
  std::mt19937 rng(11);
  const Size sizes[] = {{1, 2}, {2, 3}, {3, 2}, {7, 3}, {33, 4}, {719, 2}, {722, 3}};
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes)
      for (int rep = 0; rep < 20; ++rep) {
        FrameCanvas ref = testutil::Canvas(sz.w, sz.h, format, KernelLevel::Reference);
        std::vector<uint8_t> base = testutil::RandomFrame(rng, ref), fills = base;
        const int32_t y1 = static_cast<int32_t>(rng() % sz.h) - 1, y2 = y1 + 1 + static_cast<int32_t>(rng() % sz.h);
        FrameCanvas::RowInks inks;
        ref.ClearRowInks(inks);
        struct Run { int32_t x1, x2; uint32_t color; int32_t opacity; };
        std::vector<Run> runs;
        for (int32_t x = static_cast<int32_t>(rng() % 3) - 1; x < sz.w;) {
          const int32_t len = 1 + static_cast<int32_t>(rng() % (rep % 2 ? 40 : 4));
          runs.push_back({x, x + len, static_cast<uint32_t>(rng() & 0xFFFFFF), static_cast<int32_t>(rng() % 111) - 5});
          x += len + static_cast<int32_t>(rng() % 2);  // sometimes a gap
        }
        for (const Run& r : runs) {
          ref.AddRowInk(inks, r.x1, r.x2, r.color, r.opacity);
          ref.BlendFillRect(fills.data(), r.x1, y1, r.x2, y2, r.color, r.opacity);
        }
        for (KernelLevel level : testutil::AvailableLevels()) {
          std::vector<uint8_t> f = base;
          testutil::Canvas(sz.w, sz.h, format, level).BlendRowInks(f.data(), y1, y2, inks);
          ASSERT_EQ(f, fills) << testutil::LevelName(level) << " format " << format << " " << sz.w << "x" << sz.h
                              << " rep " << rep;
        }
      }
}

TEST(KernelProperty, ByteWindowsDownRows) {
  std::mt19937 rng(9);
  for (const KernelSet* k : testutil::SimdLevels())
    for (int rep = 0; rep < 100; ++rep) {
      const int32_t rowBytes = 8 + static_cast<int32_t>(rng() % 200), rows = 1 + static_cast<int32_t>(rng() % 9);
      std::vector<kernels::ByteWindow> windows;
      for (int32_t off = static_cast<int32_t>(rng() % 8); off + 8 <= rowBytes; off += 8 + static_cast<int32_t>(rng() % 20)) {
        kernels::ByteWindow win = {};
        win.offset = off;
        for (int i = 0; i < 8; ++i) {
          win.mask[i] = rng() % 2 ? 0xFF : 0;
          win.colour[i] = static_cast<uint8_t>(rng());
        }
        windows.push_back(win);
      }
      const int32_t w = static_cast<int32_t>(rng() % 257);
      std::vector<uint8_t> a = RandomBytes(rng, static_cast<size_t>(rowBytes) * rows), b = a;
      const bool up = rep % 2;  // bottom-up rows, as RGB24 frames are stored
      uint8_t* firstA = up ? a.data() + rowBytes * (rows - 1) : a.data();
      uint8_t* firstB = up ? b.data() + rowBytes * (rows - 1) : b.data();
      testutil::Reference().blendWindowsRows(firstA, up ? -rowBytes : rowBytes, rows, windows.data(),
                                             static_cast<int32_t>(windows.size()), w);
      k->blendWindowsRows(firstB, up ? -rowBytes : rowBytes, rows, windows.data(), static_cast<int32_t>(windows.size()), w);
      EXPECT_EQ(a, b) << k->name << " rep " << rep;
    }
}

// Model of one run: a pixel's bytes by the pair rules, chroma going with the even pixel.
void ModelRun(const FrameCanvas& c, uint8_t* frame, int64_t x0, int64_t x1, int64_t y, uint32_t color, int32_t opacity) {
  uint32_t p = c.ColorToPixel(color);
  int32_t w = FrameCanvas::BlendWeight(opacity);
  auto blend = [w](uint8_t* b, uint32_t cb) {
    int32_t cc = cb & 0xFF;
    int32_t d = *b - cc;
    int32_t q = d * w >= 0 ? d * w / 256 : -((-d * w + 255) / 256);  // floor division
    *b = static_cast<uint8_t>(cc + q);
  };
  for (int64_t x = x0; x <= x1; ++x) {
    uint8_t* px = c.PixelAddress(frame, static_cast<int32_t>(x), static_cast<int32_t>(y));
    if (c.pixelFormat() == PixelFormatRGB24) {
      for (int i = 0; i < 3; ++i) blend(px + i, p >> (8 * i));
    } else if (x % 2) {
      blend(px, p >> 16);
    } else {
      blend(px, p);
      if (x + 1 < c.width()) {
        blend(px + 1, p >> 8);
        blend(px + 3, p >> 24);
      }
    }
  }
}

TEST(CanvasProperty, FillsMatchTheModelAndEveryLevelMatchesTheReference) {
  std::mt19937 rng(4);
  const Size sizes[] = {{1, 1}, {2, 1}, {3, 3}, {4, 3}, {6, 1}, {7, 3}, {33, 3}, {34, 3}, {718, 3}, {722, 3}, {2, 577}, {7, 577}};
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes) {
      FrameCanvas ref = testutil::Canvas(sz.w, sz.h, format, KernelLevel::Reference);
      std::vector<uint8_t> base = testutil::RandomFrame(rng, ref);
      std::vector<uint8_t> model = base, refFrame = base;
      std::vector<std::vector<uint8_t>> simd(testutil::SimdLevels().size(), base);
      for (int op = 0; op < 40; ++op) {
        int32_t l = static_cast<int32_t>(rng() % (sz.w + 12)) - 6, r = static_cast<int32_t>(rng() % (sz.w + 12)) - 6;
        int32_t t = static_cast<int32_t>(rng() % (sz.h + 12)) - 6, b = static_cast<int32_t>(rng() % (sz.h + 12)) - 6;
        uint32_t color = rng() & 0xFFFFFF;
        int32_t opacity = static_cast<int32_t>(rng() % 121) - 10;
        int kind = op % 4;
        int32_t lineWidth = static_cast<int32_t>(rng() % 7) - 3;
        auto draw = [&](const FrameCanvas& c, uint8_t* f) {
          switch (kind) {
            case 0: c.BlendFillRect(f, l, t, r, b, color, opacity); break;
            case 1: c.BlendFrameRect(f, l, t, r, b, lineWidth, color, opacity); break;
            case 2: c.BlendHSpan(f, l, r, t, op % 3 == 0, color, opacity); break;
            default: c.BlendVSpan(f, l, t, b, op % 3 == 0, color, opacity); break;
          }
        };
        draw(ref, refFrame.data());
        for (size_t i = 0; i < simd.size(); ++i)
          draw(testutil::Canvas(sz.w, sz.h, format, testutil::SimdLevels()[i]->level), simd[i].data());
        if (kind == 0) {
          int64_t cl = std::max(l, 0), cr = std::min(r, sz.w), ct = std::max(t, 0), cb = std::min(b, sz.h);
          for (int64_t y = ct; y < cb && cl < cr; ++y) ModelRun(ref, model.data(), cl, cr - 1, y, color, opacity);
        } else if (kind == 2 && t >= 0 && t < sz.h) {
          int64_t a = r >= l ? l : (op % 3 == 0 ? r : r + 1), e = r >= l ? (op % 3 == 0 ? r : r - 1) : l;
          a = std::max<int64_t>(a, 0);
          e = std::min<int64_t>(e, sz.w - 1);
          if (a <= e) ModelRun(ref, model.data(), a, e, t, color, opacity);
        } else {
          model = refFrame;  // the model covers runs and fills; resynchronise after outlines and columns
        }
        ASSERT_EQ(model, refFrame) << "format " << format << " " << sz.w << "x" << sz.h << " op " << op;
        for (size_t i = 0; i < simd.size(); ++i)
          ASSERT_EQ(simd[i], refFrame) << testutil::SimdLevels()[i]->name << " format " << format << " " << sz.w << "x"
                                       << sz.h << " op " << op;
      }
    }
}

TEST(CanvasProperty, ConvertWholeFrames) {
  std::mt19937 rng(5);
  const Size sizes[] = {{2, 1}, {4, 3}, {6, 3}, {7, 3}, {34, 3}, {718, 3}, {722, 577}};
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes) {
      FrameCanvas ref = testutil::Canvas(sz.w, sz.h, format, KernelLevel::Reference);
      std::vector<uint8_t> frame = testutil::RandomFrame(rng, ref);
      std::vector<uint32_t> a(static_cast<size_t>(sz.w) * sz.h), b(a.size());
      ConvertToSample(frame.data(), ref, ref.kernelSet(), a.data());
      for (const KernelSet* k : testutil::SimdLevels()) {
        std::fill(b.begin(), b.end(), 0);
        ConvertToSample(frame.data(), ref, *k, b.data());
        EXPECT_EQ(a, b) << k->name << " format " << format << " " << sz.w << "x" << sz.h;
      }
    }
}

// The fused detector of every SIMD level against the reference detector, over sequences
// of frames in which random rectangles are repainted, with random grids and settings.
TEST(DetectorProperty, FusedPathGivesTheReferenceWords) {
  std::mt19937 rng(6);
  const Size sizes[] = {{2, 1}, {4, 3}, {6, 3}, {7, 5}, {34, 3}, {33, 40}, {48, 36}, {718, 577}, {722, 41}, {722, 577}};
  const int32_t gridRows[] = {1, 2, 3, 18, 25};
  int alarms = 0, changedWords = 0;  // the sequences must exercise changes, not only rest
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes) {
      const int frames = sz.w * sz.h > 100000 ? 3 : 6;
      MaskGrid gridRef;
      gridRef.Resize(static_cast<int32_t>(1 + rng() % 30), gridRows[rng() % 5]);
      int32_t percent = static_cast<int32_t>(rng() % 101);
      for (int32_t i = 0; i < gridRef.cellCount(); ++i) gridRef.watch()[i] = (rng() % 100) < uint32_t(percent) ? 1 : 0;
      SettingsRecord s;
      s.Sensitive = static_cast<int32_t>(rng() % 21) - 2;
      s.FrameCounter = static_cast<int32_t>(rng() % 6) - 1;
      s.ControlY = rng() % 4 != 0;
      s.ControlR = rng() % 2;
      s.ControlG = rng() % 2;
      s.ControlB = rng() % 2;
      FrameCanvas ref = testutil::Canvas(sz.w, sz.h, format, KernelLevel::Reference);
      MotionDetector detRef;
      detRef.SetKernelLevel(KernelLevel::Reference);
      ASSERT_TRUE(detRef.ResizeSamples(sz.w, sz.h));
      struct Variant {
        const KernelSet* k;
        MaskGrid grid;
        MotionDetector det;
      };
      std::vector<std::unique_ptr<Variant>> variants;
      for (const KernelSet* k : testutil::SimdLevels()) {
        variants.push_back(std::make_unique<Variant>());
        Variant& v = *variants.back();
        v.k = k;
        v.grid.Resize(gridRef.columns(), gridRef.rows());
        std::copy(gridRef.watch(), gridRef.watch() + gridRef.cellCount(), v.grid.watch());
        v.det.SetKernelLevel(k->level);
        ASSERT_TRUE(v.det.ResizeSamples(sz.w, sz.h));
      }
      std::vector<uint8_t> frame = testutil::RandomFrame(rng, ref);
      for (int f = 0; f < frames; ++f) {
        for (int n = 0; n < 3; ++n) {  // repaint random rectangles with one random byte
          int32_t l = static_cast<int32_t>(rng() % sz.w), t = static_cast<int32_t>(rng() % sz.h);
          int32_t r = l + 1 + static_cast<int32_t>(rng() % sz.w), b = t + 1 + static_cast<int32_t>(rng() % sz.h);
          ref.BlendFillRect(frame.data(), l, t, r, b, rng() & 0xFFFFFF, 100);
        }
        int expect = detRef.DetectMotion(frame.data(), ref, gridRef, s);
        alarms += expect;
        for (int32_t i = 0; i < gridRef.cellCount(); ++i) changedWords += detRef.state().history()[i] != 0;
        for (auto& vp : variants) {
          Variant& v = *vp;
          FrameCanvas c = testutil::Canvas(sz.w, sz.h, format, v.k->level);
          EXPECT_EQ(v.det.DetectMotion(frame.data(), c, v.grid, s), expect) << v.k->name;
          ASSERT_TRUE(std::equal(detRef.state().reference(), detRef.state().reference() + gridRef.cellCount(), v.det.state().reference()))
              << v.k->name << " format " << format << " " << sz.w << "x" << sz.h << " frame " << f;
          ASSERT_TRUE(std::equal(detRef.state().history(), detRef.state().history() + gridRef.cellCount(), v.det.state().history()))
              << v.k->name << " format " << format << " " << sz.w << "x" << sz.h << " frame " << f;
        }
      }
    }
  EXPECT_GT(alarms, 5);
  EXPECT_GT(changedWords, 100);
}

// The state overlay drawn through every level gives the reference bytes.
TEST(DetectorProperty, OverlayMatchesAcrossLevels) {
  std::mt19937 rng(7);
  const Size sizes[] = {{6, 3}, {35, 20}, {720, 576}};
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes) {
      MaskGrid grid;
      grid.SetDefaultGrid();
      DetectorState state;
      ASSERT_TRUE(state.Follow(grid));
      for (int32_t i = 0; i < grid.cellCount(); ++i) {
        grid.watch()[i] = rng() % 2;
        state.history()[i] = rng() % 4;
      }
      SettingsRecord s;
      s.FrameCounter = 2;
      s.InactiveOpacity = 100;
      s.DangerOpacity = 55;
      FrameCanvas ref = testutil::Canvas(sz.w, sz.h, format, KernelLevel::Reference);
      std::vector<uint8_t> base = testutil::RandomFrame(rng, ref), a = base;
      DrawStateAreas(a.data(), ref, grid, state, s);
      DrawGrid(a.data(), ref, grid, s);
      for (const KernelSet* k : testutil::SimdLevels()) {
        std::vector<uint8_t> b = base;
        FrameCanvas c = testutil::Canvas(sz.w, sz.h, format, k->level);
        DrawStateAreas(b.data(), c, grid, state, s);
        DrawGrid(b.data(), c, grid, s);
        EXPECT_EQ(a, b) << k->name << " format " << format << " " << sz.w << "x" << sz.h;
      }
    }
}

// The overlay draws merged runs and whole grid rows; the bytes must be those of drawing
// cell by cell as stated: one fill per cell and one ring per cell.
TEST(DetectorProperty, OverlayEqualsCellByCellDrawing) {
  std::mt19937 rng(8);
  const Size sizes[] = {{1, 1}, {7, 5}, {20, 9}, {33, 37}, {49, 36}, {352, 288}, {721, 577}};
  for (int32_t format : {0, 1})
    for (const Size& sz : sizes)
      for (int rep = 0; rep < 3; ++rep) {
        MaskGrid grid;
        grid.Resize(static_cast<int32_t>(1 + rng() % 30), static_cast<int32_t>(1 + rng() % 20));
        DetectorState state;
        ASSERT_TRUE(state.Follow(grid));
        for (int32_t i = 0; i < grid.cellCount(); ++i) {
          grid.watch()[i] = rng() % 3 != 0;
          state.history()[i] = rng() % 4;
        }
        SettingsRecord s;
        s.FrameCounter = 2;
        s.InactiveOpacity = static_cast<int32_t>(rng() % 3) * 40;
        s.ActiveColor = rep == 2 ? s.DangerColor : s.ActiveColor;  // equal inks merge across states
        s.DangerOpacity = rep == 2 ? s.ActiveOpacity : 55;
        s.GridOpacity = static_cast<int32_t>(rng() % 101);
        FrameCanvas c = testutil::Canvas(sz.w, sz.h, format, kernels::ActiveKernels().level);
        std::vector<uint8_t> base = testutil::RandomFrame(rng, c), fast = base, literal = base;
        DrawStateAreas(fast.data(), c, grid, state, s);
        DrawGrid(fast.data(), c, grid, s);
        const uint32_t m = FullMask(s.FrameCounter);
        for (int32_t i = 0; i < grid.rows(); ++i)
          for (int32_t j = 0; j < grid.columns(); ++j) {
            int32_t cell = i * grid.columns() + j;
            CellRect r = CellRectOf(j, i, sz.w, sz.h, grid.columns(), grid.rows());
            uint32_t color;
            int32_t opacity;
            switch (CellStateOf(grid.watch()[cell], state.history()[cell], m)) {
              case CellState::Inactive: color = s.InactiveColor, opacity = s.InactiveOpacity; break;
              case CellState::Alarm: color = s.AlarmColor, opacity = s.AlarmOpacity; break;
              case CellState::Active: color = s.ActiveColor, opacity = s.ActiveOpacity; break;
              default: color = s.DangerColor, opacity = s.DangerOpacity; break;
            }
            if (opacity != 0) c.BlendFillRect(literal.data(), r.left, r.top, r.right, r.bottom, color, opacity);
          }
        for (int32_t i = 0; i < grid.rows(); ++i)
          for (int32_t j = 0; j < grid.columns(); ++j) {
            CellRect r = CellRectOf(j, i, sz.w, sz.h, grid.columns(), grid.rows());
            c.BlendFrameRect(literal.data(), r.left, r.top, r.right, r.bottom, 1, s.GridColor, s.GridOpacity);
          }
        ASSERT_EQ(fast, literal) << "format " << format << " " << sz.w << "x" << sz.h << " grid " << grid.columns()
                                 << "x" << grid.rows();
      }
}

}  // namespace
}  // namespace qlv

namespace qlv {
namespace {

using testutil::Fnv1a;

// One fixed scenario per format, hashed: the native and the i686 build (and every kernel
// level) must produce these very bytes and detector words.
TEST(CrossBuild, SameBytesOnEveryBuild) {
  const uint64_t expected[2] = {0x6209c54034d5c7e3ull, 0x662331a0608117d4ull};
  for (int32_t format : {0, 1}) {
    std::mt19937 rng(11);
    FrameCanvas c;
    c.SetGeometry(722, 577, format);
    MotionDetector det;
    ASSERT_TRUE(det.ResizeSamples(722, 577));
    MaskGrid grid;
    grid.SetDefaultGrid();
    for (int32_t i = 0; i < grid.cellCount(); ++i) grid.watch()[i] = rng() % 3 != 0;
    SettingsRecord s;
    s.FrameCounter = 2;
    s.Sensitive = 14;
    s.ControlB = 1;
    std::vector<uint8_t> frame = testutil::RandomFrame(rng, c);
    uint64_t h = 0xCBF29CE484222325ull;
    for (int f = 0; f < 3; ++f) {
      for (int n = 0; n < 4; ++n) {
        int32_t l = static_cast<int32_t>(rng() % 722), t = static_cast<int32_t>(rng() % 577);
        c.BlendFillRect(frame.data(), l, t, l + 200, t + 150, rng() & 0xFFFFFF, static_cast<int32_t>(rng() % 101));
      }
      int alarm = det.DetectMotion(frame.data(), c, grid, s);
      h = Fnv1a(h, &alarm, sizeof alarm);
      h = Fnv1a(h, det.state().reference(), 4 * static_cast<size_t>(grid.cellCount()));
      h = Fnv1a(h, det.state().history(), 4 * static_cast<size_t>(grid.cellCount()));
    }
    DrawStateAreas(frame.data(), c, grid, det.state(), s);
    DrawGrid(frame.data(), c, grid, s);
    h = Fnv1a(h, frame.data(), frame.size());
    EXPECT_EQ(h, expected[format]) << "format " << format << std::hex << " hash 0x" << h;
  }
}

}  // namespace
}  // namespace qlv
