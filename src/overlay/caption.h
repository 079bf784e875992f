// The date/time caption: the local time in the user's format, drawn with an
// outline into two layers, resampled to the frame's scale once a second and
// blended into every frame.
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>

#include "overlay/overlay_composer.h"
#include "overlay/overlay_surface.h"
#include "pixel/frame_canvas.h"
#include "platform/time_locale.h"
#include "settings/settings.h"

namespace qlv {

// The caption font's description, field for field the platform's LOGFONT.
struct CaptionFontSpec {
  int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
  uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0;
  uint8_t outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
  char faceName[32] = {};
};

constexpr uint8_t kAntialiasedQuality = 4;

// From the settings: antialiased whatever FontQuality says; FontName cut to 31 bytes.
CaptionFontSpec MakeCaptionFontSpec(const SettingsRecord& s);

struct TextExtent {
  int32_t cx = 0, cy = 0;
};
struct TextOrigin {
  int32_t x = 0, y = 0;
};

// The text drawing the caption needs (GDI in the Windows build, a fake in tests).
class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  // Makes `font` the caption font, releasing the previous one.
  virtual void SetFont(const CaptionFontSpec& font) = 0;
  // Releases the caption font; text is then drawn in the default one.
  virtual void ReleaseFont() {}
  // Opens a drawing context with the caption font (or the default one when the
  // font could not be made), transparent background. False: nothing can be drawn.
  virtual bool BeginText() = 0;
  virtual TextExtent MeasureText(const std::string& text) = 0;
  // On the surface's current layer: fills the used rectangle with black, then
  // draws the text in `color` (0x00BBGGRR) with its top-left at each origin.
  virtual void DrawLayerText(const OverlaySurface& surface, const std::string& text, uint32_t color,
                             const TextOrigin* origins, int32_t count) = 0;
  // Restores what BeginText selected and closes the context.
  virtual void EndText() = 0;
};

// Longest caption text in bytes; longer text is cut at this length.
constexpr size_t kMaxCaptionText = 255;

// Drops a trailing lone "%" and a "%" before a blank; "%x" pairs stay together.
std::string SanitizeTimeFormat(const std::string& format);
// The conversions the runtime documents (and the format menu lists).
bool IsDocumentedConversion(char c);
// The sanitised format applied to `time`: documented conversions (also in their
// "%#" form) through strftime in `locale` (null: the runtime's current one),
// "%%" as "%", any other "%" pair as literal text; at most kMaxCaptionText bytes.
std::string FormatCaptionText(const std::string& format, const std::tm& time, const UserTimeLocale* locale = nullptr);
// The same for a calendar time in seconds, in local time (empty when the time
// cannot be represented).
std::string FormatCaptionTime(const std::string& format, int64_t time, const UserTimeLocale* locale = nullptr);

// Top-left corner of the caption in thousandths of the frame for TextPos
// (values outside 0..5 use position 0).
struct CaptionPlacement {
  int32_t px = 0, py = 0;
};
CaptionPlacement PlaceCaption(int32_t textPos, const OverlayRect& prepared, const OverlayGeometry& frame);

class Caption {
 public:
  Caption(LayerAllocator& allocator, TextRasterizer& rasterizer);

  // At initialisation: the colour layer (0) and the coverage layer (1), once;
  // the user's time locale is looked up again.
  void InitLayers();
  // At stream start and after a font change. Takes CaptionLock.
  void CreateCaptionFont(const SettingsRecord& s);
  // Renders the last rendered time again (after a caption setting changed). Takes CaptionLock.
  void RenderCaption(const SettingsRecord& s, const OverlayGeometry& frame);
  // The dialog's update: font (when asked) and render under one hold of the lock.
  void Refresh(const SettingsRecord& s, const OverlayGeometry& frame, bool fontChanged);
  // The same for a caller that already holds lock(), having just written the
  // settings the caption reads.
  void RefreshHeld(const SettingsRecord& s, const OverlayGeometry& frame, bool fontChanged);
  // Per frame, holding CaptionLock throughout: re-renders when the second
  // (or the frame geometry) changed, then blends at TextPos with TextOpacity.
  void DrawCaption(uint8_t* frame, const OverlayGeometry& geometry, const SettingsRecord& s, int64_t now);
  // The same with the stream's canvas.
  void DrawCaption(uint8_t* frame, const FrameCanvas& canvas, const SettingsRecord& s, int64_t now) {
    DrawCaption(frame, GeometryOf(canvas), s, now);
  }
  void RenderCaption(const SettingsRecord& s, const FrameCanvas& canvas) { RenderCaption(s, GeometryOf(canvas)); }
  void Refresh(const SettingsRecord& s, const FrameCanvas& canvas, bool fontChanged) {
    Refresh(s, GeometryOf(canvas), fontChanged);
  }
  // At close and unload: frees the layers, the prepared overlay and the font.
  void Clear();

  // CaptionLock. Writers of the caption's text settings (FontName, TimeFormat)
  // hold it too, so a render never reads a string being replaced.
  std::mutex& lock() { return lock_; }

  int64_t lastRenderedTime() const { return lastRendered_; }
  int32_t renderCount() const { return renders_; }
  const std::string& lastText() const { return lastText_; }
  OverlaySurface& surface() { return surface_; }
  const OverlayComposer& composer() const { return composer_; }

 private:
  void RenderLocked(const SettingsRecord& s, const OverlayGeometry& frame);

  TextRasterizer& rasterizer_;
  OverlaySurface surface_;
  OverlayComposer composer_;
  std::mutex lock_;
  UserTimeLocale timeLocale_;
  int64_t lastRendered_ = 0;
  int32_t renders_ = 0;
  std::string lastText_;
};

}  // namespace qlv
