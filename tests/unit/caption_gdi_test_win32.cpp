// The caption with the real GDI pieces: DIB-section layers and GDI text.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "overlay/caption_gdi_win32.h"
#include "overlay/overlay_surface_win32.h"

namespace qlv {
namespace {

TEST(GdiCaption, FontAlwaysAntialiasedAndNameCut) {
  CaptionFont f;
  f.faceName = std::string(40, 'N');
  f.height = -34;
  f.weight = 700;
  f.italic = 1;
  f.strikeOut = 1;
  f.charSet = 204;
  const LOGFONTA lf = ToLogFont(f);
  EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(std::string(lf.lfFaceName), std::string(31, 'N'));
  EXPECT_EQ(lf.lfHeight, -34);
  EXPECT_EQ(lf.lfWidth, 0);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 0);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfCharSet, 204);
  EXPECT_EQ(lf.lfOutPrecision + lf.lfClipPrecision + lf.lfPitchAndFamily + lf.lfEscapement + lf.lfOrientation, 0);
  f.faceName = "Arial";
  EXPECT_STREQ(ToLogFont(f).lfFaceName, "Arial");
}

TEST(GdiCaption, LayersAreDibSectionsAndTextLeavesCoverage) {
  GdiLayerAllocator dibs;
  GdiTextRasterizer text;
  Caption caption(dibs, text);
  caption.InitLayers();
  SettingsRecord s;
  s.FontName = std::string(45, 'A');  // cut to fit, no overflow
  s.TimeFormat = "%H:%M:%S";
  s.TextOpacity = 100;
  caption.CreateCaptionFont(s);
  const OverlayGeometry g{768, 576, OverlayGeometry::kRgb24};
  std::vector<uint8_t> frame(768 * 576 * 3, 0x40);
  caption.DrawCaption(frame.data(), g, s, 1700000000);

  OverlaySurface& surface = caption.surface();
  surface.SelectLayer(0);
  DIBSECTION ds;
  ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(surface.bitmap()), sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(ds.dsBmih.biWidth, surface.capacityWidth());
  EXPECT_EQ(ds.dsBmih.biHeight, surface.capacityHeight());
  EXPECT_EQ(ds.dsBm.bmBits, surface.pixels());

  // Measured text plus the margins, and coverage somewhere in the alpha.
  const OverlayRect used = surface.used();
  EXPECT_GT(used.width(), 4);
  EXPECT_GT(used.height(), 2);
  int covered = 0;
  for (int32_t y = 0; y < used.height(); ++y)
    for (int32_t x = 0; x < used.width(); ++x)
      covered += surface.pixels()[((surface.capacityHeight() - 1 - y) * surface.capacityWidth() + x) * 4 + 3] != 0;
  EXPECT_GT(covered, 20);
  EXPECT_NE(frame, std::vector<uint8_t>(frame.size(), 0x40));
  caption.Clear();
}

}  // namespace
}  // namespace qlv
