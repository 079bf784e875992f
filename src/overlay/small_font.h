// The plug-in's own small font for words on the video: 5 rows of font pixels, Latin and
// Cyrillic capitals (lower case is drawn as capitals), digits, a blank and a moon. Each
// font pixel is an opaque square filled by the canvas, so both builds give the same bytes.
// More words need only more glyphs here.
#pragma once

#include <cstdint>
#include <string>

#include "pixel/frame_canvas.h"

namespace qlv {

constexpr int32_t kSmallFontRows = 5;
constexpr char16_t kMoonGlyph = u'\u263E';

// Font pixels across `text`, one blank column between glyphs; characters the font lacks
// are left out.
int32_t SmallTextColumns(const std::u16string& text);
bool SmallFontHas(char16_t c);

// Font pixels are squares of this many picture pixels: even, at least 2, growing with
// the frame.
int32_t SmallTextScale(int32_t frameHeight);

enum class Corner : uint8_t { TopLeft, TopRight, BottomLeft, BottomRight };
// The corner diagonally opposite the caption at `textPos` (the settings' TextPos, 0..5,
// others as 0); a centred caption's opposite is on the right.
Corner CornerOpposite(int32_t textPos);

// Where a text `columns` font pixels wide goes in a corner, a hundredth of the frame
// in from its edges, on a whole pixel pair.
struct TextBox {
  int32_t x = 0, y = 0, width = 0, height = 0;
};
TextBox PlaceSmallText(Corner corner, int32_t columns, int32_t scale, int32_t frameWidth, int32_t frameHeight);

// Draws `text` with its top-left at (x, y); x must be even.
void DrawSmallText(uint8_t* frame, const FrameCanvas& canvas, const std::u16string& text, int32_t x, int32_t y,
                   int32_t scale, uint32_t color);
// Measures, places and draws in one: the box it took.
TextBox DrawSmallTextAt(uint8_t* frame, const FrameCanvas& canvas, const std::u16string& text, Corner corner,
                        uint32_t color);

}  // namespace qlv
