// The date/time caption: the local time in the user's format, drawn with an
// outline into two layers, resampled to the frame's scale once a second and
// blended into every frame.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "overlay/overlay_composer.h"
#include "overlay/overlay_surface.h"
#include "pixel/frame_canvas.h"
#include "platform/mutex.h"
#include "platform/time_locale.h"
#include "settings/caption_font.h"
#include "settings/settings.h"

namespace qlv {

// What the caption reads of the settings; a record converts to it.
struct CaptionStyle {
  CaptionStyle() = default;
  CaptionStyle(const SettingsRecord& s)  // NOLINT: implicit, so a record can be passed
      : font(CaptionFontOf(s)), timeFormat(s.TimeFormat), textColor(s.TextColor), textPos(s.TextPos),
        textOpacity(s.TextOpacity) {}
  CaptionFont font;
  std::string timeFormat;
  uint32_t textColor = 0;
  int32_t textPos = 0;
  int32_t textOpacity = 0;
};

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
  virtual void SetFont(const CaptionFont& font) = 0;
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

// The caption keeps the style it was last given, under its own lock (lock()): the frame
// thread draws with it while the dialog's thread gives it a new one.
class Caption {
 public:
  Caption(LayerAllocator& allocator, TextRasterizer& rasterizer);

  // At initialisation: the colour layer (0) and the coverage layer (1), once;
  // the user's time locale is looked up again; `style` becomes the caption's.
  void InitLayers(const CaptionStyle& style = CaptionStyle()) QLV_EXCLUDES(lock_);
  // At stream start and after a font change: the font of the style given (or the
  // caption's own).
  void CreateCaptionFont(const CaptionStyle& style) QLV_EXCLUDES(lock_);
  void CreateCaptionFont() QLV_EXCLUDES(lock_);
  // A new style for what needs no render (position, opacity).
  void SetStyle(const CaptionStyle& style) QLV_EXCLUDES(lock_);
  // Renders the last rendered time again in `style`, which becomes the caption's.
  void RenderCaption(const CaptionStyle& style, const OverlayGeometry& frame) QLV_EXCLUDES(lock_);
  // The dialog's update: the new style, its font (when asked) and a render under one
  // hold of the lock, so no frame shows the new style half applied.
  void Refresh(const CaptionStyle& style, const OverlayGeometry& frame, bool fontChanged) QLV_EXCLUDES(lock_);
  // Per frame, holding the caption's lock throughout: re-renders when the second (or the
  // frame geometry) changed, then blends at the style's position and opacity. Without
  // a style, the caption's own.
  void DrawCaption(uint8_t* frame, const OverlayGeometry& geometry, const CaptionStyle& style, int64_t now)
      QLV_EXCLUDES(lock_);
  void DrawCaption(uint8_t* frame, const OverlayGeometry& geometry, int64_t now) QLV_EXCLUDES(lock_);
  // The same with the stream's canvas.
  void DrawCaption(uint8_t* frame, const FrameCanvas& canvas, const CaptionStyle& style, int64_t now) {
    DrawCaption(frame, GeometryOf(canvas), style, now);
  }
  void RenderCaption(const CaptionStyle& style, const FrameCanvas& canvas) { RenderCaption(style, GeometryOf(canvas)); }
  void Refresh(const CaptionStyle& style, const FrameCanvas& canvas, bool fontChanged) {
    Refresh(style, GeometryOf(canvas), fontChanged);
  }
  // At close and unload: frees the layers, the prepared overlay and the font.
  void Clear() QLV_EXCLUDES(lock_);

  // The caption's lock, for tests that watch what runs under it.
  Mutex& lock() QLV_RETURN_CAPABILITY(lock_) { return lock_; }

  // For tests, read when no frame is drawn.
  int64_t lastRenderedTime() const QLV_NO_THREAD_SAFETY_ANALYSIS { return lastRendered_; }
  int32_t renderCount() const QLV_NO_THREAD_SAFETY_ANALYSIS { return renders_; }
  const std::string& lastText() const QLV_NO_THREAD_SAFETY_ANALYSIS { return lastText_; }
  OverlaySurface& surface() QLV_NO_THREAD_SAFETY_ANALYSIS { return surface_; }
  const OverlayComposer& composer() const QLV_NO_THREAD_SAFETY_ANALYSIS { return composer_; }

 private:
  void RenderLocked(const OverlayGeometry& frame) QLV_REQUIRES(lock_);
  void DrawLocked(uint8_t* frame, const OverlayGeometry& geometry, int64_t now) QLV_REQUIRES(lock_);

  Mutex lock_;
  TextRasterizer& rasterizer_ QLV_GUARDED_BY(lock_);
  OverlaySurface surface_ QLV_GUARDED_BY(lock_);
  OverlayComposer composer_ QLV_GUARDED_BY(lock_);
  UserTimeLocale timeLocale_ QLV_GUARDED_BY(lock_);
  CaptionStyle style_ QLV_GUARDED_BY(lock_);
  int64_t lastRendered_ QLV_GUARDED_BY(lock_) = 0;
  int32_t renders_ QLV_GUARDED_BY(lock_) = 0;
  std::string lastText_ QLV_GUARDED_BY(lock_);
};

}  // namespace qlv
