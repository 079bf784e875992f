#include "overlay/caption.h"

#include <cstring>

#include "pixel/mul_div.h"

namespace qlv {

std::string SanitizeTimeFormat(const std::string& format) {
  std::string out;
  out.reserve(format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 == format.size()) break;  // a lone trailing "%" is dropped
    const char next = format[i + 1];
    if (next == ' ') continue;          // "%" before a blank is dropped; the blank stays
    out += c;
    out += next;
    ++i;
  }
  return out;
}

bool IsDocumentedConversion(char c) {
  return c != '\0' && std::strchr("aAbBcdHIjmMpSUwWxXyYzZ", c) != nullptr;
}

std::string FormatCaptionText(const std::string& format, const std::tm& time, const UserTimeLocale* locale) {
  const std::string fmt = SanitizeTimeFormat(format);
  std::string out;
  auto append = [&out](const char* p, size_t n) {
    const size_t room = kMaxCaptionText - out.size();
    out.append(p, n < room ? n : room);
  };
  for (size_t i = 0; i < fmt.size() && out.size() < kMaxCaptionText; ++i) {
    const char c = fmt[i];
    if (c != '%' || i + 1 >= fmt.size()) {
      append(&c, 1);
      continue;
    }
    const char next = fmt[i + 1];
    char conversion[4] = {'%', 0, 0, 0};
    if (next == '%') {
      append("%", 1);
      ++i;
      continue;
    }
    if (next == '#' && i + 2 < fmt.size() && IsDocumentedConversion(fmt[i + 2])) {
      conversion[1] = '#';
      conversion[2] = fmt[i + 2];
      i += 2;
    } else if (IsDocumentedConversion(next)) {
      conversion[1] = next;
      i += 1;
    } else {
      // Some runtimes end the process on an unknown conversion: show it as text.
      append(fmt.data() + i, 2);
      ++i;
      continue;
    }
    char buffer[512];
    const size_t n = locale ? locale->Format(buffer, sizeof buffer, conversion, time)
                            : std::strftime(buffer, sizeof buffer, conversion, &time);
    append(buffer, n);
  }
  return out;
}

std::string FormatCaptionTime(const std::string& format, int64_t time, const UserTimeLocale* locale) {
  const std::time_t t = static_cast<std::time_t>(time);
  if (static_cast<int64_t>(t) != time) return std::string();
  const std::tm* local = std::localtime(&t);
  if (!local) return std::string();
  const std::tm copy = *local;
  return FormatCaptionText(format, copy, locale);
}

CaptionPlacement PlaceCaption(int32_t textPos, const OverlayRect& prepared, const OverlayGeometry& frame) {
  const int32_t w = MulDiv(prepared.width(), 1000, frame.width);
  const int32_t h = MulDiv(prepared.height(), 1000, frame.height);
  const int32_t pos = textPos >= 0 && textPos <= 5 ? textPos : 0;
  CaptionPlacement p;
  switch (pos % 3) {
    case 0: p.px = 10; break;
    case 1: p.px = 500 - w / 2; break;
    default: p.px = 990 - w; break;
  }
  p.py = pos < 3 ? 10 : 990 - h;
  return p;
}

Caption::Caption(LayerAllocator& allocator, TextRasterizer& rasterizer)
    : rasterizer_(rasterizer), surface_(allocator) {}

void Caption::InitLayers(const CaptionStyle& style) {
  MutexLock guard(lock_);
  while (surface_.layerCount() < 2) surface_.AddLayer();
  timeLocale_.Refresh();
  style_ = style;
}

void Caption::CreateCaptionFont(const CaptionStyle& style) {
  MutexLock guard(lock_);
  style_ = style;
  rasterizer_.SetFont(style_.font);
}

void Caption::CreateCaptionFont() {
  MutexLock guard(lock_);
  rasterizer_.SetFont(style_.font);
}

void Caption::SetStyle(const CaptionStyle& style) {
  MutexLock guard(lock_);
  style_ = style;
}

void Caption::RenderCaption(const CaptionStyle& style, const OverlayGeometry& frame) {
  MutexLock guard(lock_);
  style_ = style;
  RenderLocked(frame);
}

void Caption::Refresh(const CaptionStyle& style, const OverlayGeometry& frame, bool fontChanged) {
  MutexLock guard(lock_);
  style_ = style;
  if (fontChanged) rasterizer_.SetFont(style_.font);
  RenderLocked(frame);
}

void Caption::Clear() {
  MutexLock guard(lock_);
  surface_.ClearLayers();
  composer_.Release();
  rasterizer_.ReleaseFont();
}

void Caption::RenderLocked(const OverlayGeometry& frame) {
  ++renders_;
  lastText_ = FormatCaptionTime(style_.timeFormat, lastRendered_, &timeLocale_);
  while (surface_.layerCount() < 2) surface_.AddLayer();
  if (!rasterizer_.BeginText()) {
    composer_.PrepareOverlay(nullptr, 0, 0, OverlayRect{}, 0, 0, frame);  // shows nothing
    return;
  }
  const TextExtent extent = rasterizer_.MeasureText(lastText_);
  const int32_t w = (extent.cx > 0 ? extent.cx : 0) + 4;
  const int32_t h = (extent.cy > 0 ? extent.cy : 0) + 2;
  surface_.SelectLayer(0);
  surface_.SizeLayer(w, h);
  surface_.SelectLayer(1);
  surface_.SizeLayer(w, h);

  // Colour once at (1, 1) on black; white coverage at its four neighbours, which
  // leaves a one-pixel dark outline around the glyphs once it is the alpha.
  static const TextOrigin kColour[1] = {{1, 1}};
  static const TextOrigin kCoverage[4] = {{0, 1}, {1, 0}, {2, 1}, {1, 2}};
  surface_.SelectLayer(0);
  if (surface_.pixels()) rasterizer_.DrawLayerText(surface_, lastText_, style_.textColor, kColour, 1);
  surface_.SelectLayer(1);
  if (surface_.pixels()) rasterizer_.DrawLayerText(surface_, lastText_, 0xFFFFFFu, kCoverage, 4);
  surface_.CopyCoverageToAlpha(0, 1);
  rasterizer_.EndText();

  const int32_t sx = MulDiv(w, 1000, 768);  // the text's natural size belongs to a 768 x 576 picture
  const int32_t sy = MulDiv(h, 1000, 576);
  surface_.SelectLayer(0);
  composer_.PrepareOverlay(surface_.pixels(), surface_.capacityWidth(), surface_.capacityHeight(), surface_.used(),
                           sx, sy, frame);
}

void Caption::DrawCaption(uint8_t* frame, const OverlayGeometry& geometry, const CaptionStyle& style, int64_t now) {
  MutexLock guard(lock_);
  style_ = style;
  DrawLocked(frame, geometry, now);
}

void Caption::DrawCaption(uint8_t* frame, const OverlayGeometry& geometry, int64_t now) {
  MutexLock guard(lock_);
  DrawLocked(frame, geometry, now);
}

void Caption::DrawLocked(uint8_t* frame, const OverlayGeometry& geometry, int64_t now) {
  if (!frame || !geometry.known()) return;
  // A new stream may bring another geometry within the same second.
  if (now != lastRendered_ || composer_.preparedGeometry() != geometry) {
    lastRendered_ = now;
    RenderLocked(geometry);
  }
  const CaptionPlacement at = PlaceCaption(style_.textPos, composer_.prepared(), geometry);
  composer_.BlendOverlay(frame, at.px, at.py, style_.textOpacity, geometry);
}

}  // namespace qlv
