// The caption's text drawn by GDI: an antialiased font, a memory device context
// and the layers' DIB sections.
#pragma once

#include <windows.h>

#include "overlay/caption.h"

namespace qlv {

class GdiTextRasterizer : public TextRasterizer {
 public:
  GdiTextRasterizer() = default;
  ~GdiTextRasterizer() override;
  GdiTextRasterizer(const GdiTextRasterizer&) = delete;
  GdiTextRasterizer& operator=(const GdiTextRasterizer&) = delete;

  void SetFont(const CaptionFont& font) override;
  void ReleaseFont() override;
  bool BeginText() override;
  TextExtent MeasureText(const std::string& text) override;
  void DrawLayerText(const OverlaySurface& surface, const std::string& text, uint32_t color,
                     const TextOrigin* origins, int32_t count) override;
  void EndText() override;

  HFONT font() const { return font_; }

 private:
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previousFont_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
};

// The platform's font description from ours.
LOGFONTA ToLogFont(const CaptionFont& font);

}  // namespace qlv
