#include "overlay/caption_gdi_win32.h"

#include <cstring>

namespace qlv {

LOGFONTA ToLogFont(const CaptionFont& font) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = font.height;
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikeOut;
  lf.lfCharSet = font.charSet;
  lf.lfQuality = ANTIALIASED_QUALITY;  // whatever FontQuality says: the outline needs smooth edges
  const size_t n = font.faceName.size() < sizeof lf.lfFaceName - 1 ? font.faceName.size() : sizeof lf.lfFaceName - 1;
  std::memcpy(lf.lfFaceName, font.faceName.data(), n);
  lf.lfFaceName[n] = '\0';
  return lf;
}

GdiTextRasterizer::~GdiTextRasterizer() {
  EndText();
  ReleaseFont();
}

void GdiTextRasterizer::ReleaseFont() {
  if (font_) DeleteObject(font_);
  font_ = nullptr;
}

void GdiTextRasterizer::SetFont(const CaptionFont& font) {
  const LOGFONTA lf = ToLogFont(font);
  HFONT created = CreateFontIndirectA(&lf);
  if (font_) DeleteObject(font_);
  font_ = created;  // null: the context's default font is used
}

bool GdiTextRasterizer::BeginText() {
  EndText();
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) return false;
  previousFont_ = font_ ? SelectObject(dc_, font_) : nullptr;
  SetBkMode(dc_, TRANSPARENT);
  previousBitmap_ = GetCurrentObject(dc_, OBJ_BITMAP);
  return true;
}

TextExtent GdiTextRasterizer::MeasureText(const std::string& text) {
  TextExtent e;
  SIZE size{0, 0};
  if (dc_ && GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size)) {
    e.cx = size.cx;
    e.cy = size.cy;
  }
  return e;
}

void GdiTextRasterizer::DrawLayerText(const OverlaySurface& surface, const std::string& text, uint32_t color,
                                      const TextOrigin* origins, int32_t count) {
  if (!dc_ || !surface.bitmap()) return;
  SelectObject(dc_, static_cast<HBITMAP>(surface.bitmap()));
  const OverlayRect used = surface.used();
  RECT r{used.left, used.top, used.right, used.bottom};
  FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetTextColor(dc_, color);
  for (int32_t i = 0; i < count; ++i)
    TextOutA(dc_, origins[i].x, origins[i].y, text.data(), static_cast<int>(text.size()));
  GdiFlush();  // the pixels are read directly next
}

void GdiTextRasterizer::EndText() {
  if (!dc_) return;
  if (previousFont_) SelectObject(dc_, previousFont_);
  if (previousBitmap_) SelectObject(dc_, previousBitmap_);
  DeleteDC(dc_);
  dc_ = nullptr;
  previousFont_ = previousBitmap_ = nullptr;
}

}  // namespace qlv
