#include "overlay/level_labels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "detect/cell_state.h"

namespace qlv {

namespace {

// 3 x 5 digits and a 5 x 5 "M"; bit 2 (or 4) of a row is its leftmost pixel.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr uint8_t kMuted[5] = {0x11, 0x1B, 0x15, 0x11, 0x11};

// A label as the columns (0 leftmost) of the lit font pixels of each row, from the font at
// compile time: the numbers 0..99, then the "M".
constexpr int32_t kMaxLit = 6;  // two digits of three
struct Glyph {
  uint8_t width = 0;  // font pixels
  uint8_t lit[5] = {};
  uint8_t column[5][kMaxLit] = {};
};
constexpr int32_t kMutedGlyph = 100;
struct GlyphTable {
  Glyph glyphs[kMutedGlyph + 1];
};

// Rows of `width` bits, bit width - 1 leftmost.
constexpr Glyph MakeGlyph(const uint8_t (&rows)[5], int32_t width) {
  Glyph g;
  g.width = static_cast<uint8_t>(width);
  for (int32_t r = 0; r < 5; ++r)
    for (int32_t col = 0; col < width; ++col)
      if (rows[r] >> (width - 1 - col) & 1) g.column[r][g.lit[r]++] = static_cast<uint8_t>(col);
  return g;
}

constexpr GlyphTable MakeGlyphTable() {
  GlyphTable t{};
  for (int32_t v = 0; v < 100; ++v) {
    uint8_t rows[5] = {};
    for (int32_t r = 0; r < 5; ++r)
      rows[r] = v >= 10 ? static_cast<uint8_t>(kDigits[v / 10][r] << 4 | kDigits[v % 10][r]) : kDigits[v][r];
    t.glyphs[v] = MakeGlyph(rows, v >= 10 ? 7 : 3);
  }
  t.glyphs[kMutedGlyph] = MakeGlyph(kMuted, 5);
  return t;
}
constexpr GlyphTable kGlyphs = MakeGlyphTable();

struct Clip {
  int32_t left, top, right, bottom;  // right and bottom exclusive; left and right even
};

// An opaque square [x, x + w) x [y, y + h) inside the clip.
void Fill(uint8_t* frame, const FrameCanvas& canvas, const Clip& c, int32_t x, int32_t y, int32_t w, int32_t h,
          uint32_t pixel) {
  canvas.FillOpaqueRect(frame, std::max(x, c.left), std::max(y, c.top), std::min(x + w, c.right),
                        std::min(y + h, c.bottom), pixel);
}

int32_t Even(int32_t v) { return v & ~1; }

// One picture row of a whole font pixel as 4-byte stores: one at every 4 bytes, the last one
// moved back to end with the font pixel. A font pixel starts on a pixel (a pair in YUV 4:2:2)
// and spans whole ones, so its bytes are the colour's from byte 0 on, wherever it lies.
constexpr int32_t kMaxStampStores = 16;
struct Stamp {
  int32_t bytes = 0;
  int32_t count = 0;  // 0: more than kMaxStampStores; every label is then drawn by ClipLabel
  int32_t offset[kMaxStampStores] = {};
  uint32_t word[2][kMaxStampStores] = {};  // quiet, loud
};

Stamp MakeStamp(int32_t bytes, bool yuv, const uint32_t (&pixel)[2]) {
  Stamp s;
  s.bytes = bytes;
  if (bytes < 4 || (bytes + 3) / 4 > kMaxStampStores) return s;
  for (int32_t at = 0; at < bytes; at += 4) s.offset[s.count++] = std::min(at, bytes - 4);
  const int32_t period = yuv ? 4 : 3;
  for (int32_t colour = 0; colour < 2; ++colour)
    for (int32_t k = 0; k < s.count; ++k)
      for (int32_t b = 0; b < 4; ++b)
        s.word[colour][k] |= (pixel[colour] >> (8 * ((s.offset[k] + b) % period)) & 0xFF) << (8 * b);
  return s;
}

// A glyph's lit font pixels as the offsets of their top left bytes from the label's, at this
// frame's size and row stride: worked out once for each glyph the frame shows.
struct PlacedGlyph {
  int32_t count = -1;  // -1: not yet
  ptrdiff_t at[5 * kMaxLit];
};

void Place(PlacedGlyph& p, const Glyph& g, int32_t fontPixelBytes, ptrdiff_t fontRowBytes) {
  p.count = 0;
  for (int32_t r = 0; r < 5; ++r)
    for (int32_t k = 0; k < g.lit[r]; ++k) p.at[p.count++] = r * fontRowBytes + g.column[r][k] * fontPixelBytes;
}

// A label wholly inside its cell, by the stamp: `kStores` stores a font pixel row where that
// count is known when compiled (0: the stamp's count). Font pixels are an even number of
// picture rows high, taken here two at a time.
template <int32_t kStores>
void StampLabel(uint8_t* origin, ptrdiff_t stride, int32_t scale, const PlacedGlyph& g, const Stamp& stamp,
                bool loud) {
  // Locals throughout: the byte stores may alias anything, so the compiler would read every
  // field again after each one.
  const int32_t n = kStores > 0 ? kStores : stamp.count, count = g.count;
  int32_t offset[kMaxStampStores];
  uint32_t word[kMaxStampStores];
  for (int32_t s = 0; s < n; ++s) {
    offset[s] = stamp.offset[s];
    word[s] = stamp.word[loud][s];
  }
  for (int32_t pair = 0; pair < scale; pair += 2, origin += 2 * stride)
    for (int32_t m = 0; m < count; ++m) {
      uint8_t* const p = origin + g.at[m];
      for (int32_t s = 0; s < n; ++s) {
        std::memcpy(p + offset[s], &word[s], 4);
        std::memcpy(p + stride + offset[s], &word[s], 4);
      }
    }
}

// The picture rows of each font row of a band's labels, counted from the band's first row
// and clipped to the band.
struct BandRows {
  int32_t from[5], to[5];
};

// Any label: each lit font pixel clipped to the cell. `y0`: the band's first picture row.
void ClipLabel(uint8_t* frame, const FrameCanvas& canvas, int32_t y0, const BandRows& rows, const Glyph& g,
               int32_t x, int32_t scale, const Clip& c, uint32_t pixel) {
  for (int32_t r = 0; r < 5; ++r)
    for (int32_t k = 0; k < g.lit[r]; ++k) {
      const int32_t a = x + g.column[r][k] * scale;
      canvas.FillOpaqueRect(frame, std::max(a, c.left), y0 + rows.from[r], std::min(a + scale, c.right),
                            y0 + rows.to[r], pixel);
    }
}

}  // namespace

int32_t LabelScale(int32_t cellWidth, int32_t cellHeight) {
  // Two digits and their gap are 7 font pixels wide; a margin of one on each side.
  const int32_t fit = std::min(cellWidth / 9, cellHeight / 7);
  return 2 * std::max(1, fit / 2);
}

void DrawCellLabels(uint8_t* frame, const FrameCanvas& canvas, int32_t columns, int32_t rows, const CellLabel* labels,
                    uint32_t loudColor, uint32_t quietColor, uint32_t crossColor) {
  if (!frame || !labels || !canvas.IsKnownFormat() || columns <= 0 || rows <= 0) return;
  if (columns > kMaxLabelColumns) return;
  const int32_t W = canvas.width(), H = canvas.height();
  const uint32_t pixels[2] = {canvas.ColorToPixel(quietColor), canvas.ColorToPixel(loudColor)};
  const uint32_t cross = canvas.ColorToPixel(crossColor);
  const bool yuv = canvas.pixelFormat() == PixelFormatYUV422;
  const int32_t bpp = yuv ? 2 : 3;
  const ptrdiff_t stride = canvas.rowStride();
  // One size for every label of the frame, that of the smallest cell.
  const int32_t scale = LabelScale(W / columns, H / rows);
  const Stamp stamp = MakeStamp(scale * bpp, yuv, pixels);
  PlacedGlyph placed[kMutedGlyph + 1];
  int32_t edgesX[kMaxLabelColumns + 1];
  CellEdges(W, columns, edgesX);
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t y0 = CellEdge(i, H, rows), y1 = CellEdge(i + 1, H, rows);
    if (y1 <= y0) continue;
    const int32_t top = y0 + (y1 - y0 - 5 * scale) / 2;
    BandRows band;
    for (int32_t r = 0; r < 5; ++r) {
      band.from[r] = std::max(top + r * scale, y0) - y0;
      band.to[r] = std::max(std::min(top + (r + 1) * scale, y1) - y0, band.from[r]);
    }
    const bool stampable = stamp.count > 0 && top >= y0 && top + 5 * scale <= y1;
    uint8_t* const bandRow = canvas.PixelAddress(frame, 0, y0);
    for (int32_t j = 0; j < columns; ++j) {
      const CellLabel& l = labels[static_cast<size_t>(i) * columns + j];
      if (l.kind == CellLabel::None && !l.cross) continue;
      const int32_t x0 = edgesX[j], x1 = edgesX[j + 1], cw = x1 - x0, ch = y1 - y0;
      // Whole pairs only: a clip edge inside a pair moves inwards.
      const Clip c{yuv ? x0 + (x0 & 1) : x0, y0, yuv ? Even(x1) : x1, y1};
      if (c.left >= c.right) continue;
      if (l.cross) {
        // Squares of one font pixel from corner to corner, both ways; the label goes over them.
        const int32_t steps = std::max(1, std::max(cw, ch) / scale);
        for (int32_t k = 0; k <= steps; ++k) {
          const int32_t y = y0 + (ch - scale) * k / steps;
          Fill(frame, canvas, c, Even(x0 + (cw - scale) * k / steps), y, scale, scale, cross);
          Fill(frame, canvas, c, Even(x0 + (cw - scale) * (steps - k) / steps), y, scale, scale, cross);
        }
      }
      if (l.kind == CellLabel::None) continue;
      const int32_t glyph = l.kind == CellLabel::Muted ? kMutedGlyph : std::min<int32_t>(l.value, 99);
      const Glyph& g = kGlyphs.glyphs[glyph];
      const int32_t x = Even(x0 + (cw - g.width * scale) / 2);
      if (!stampable || x < c.left || x + g.width * scale > c.right) {
        ClipLabel(frame, canvas, y0, band, g, x, scale, c, pixels[l.loud]);
        continue;
      }
      PlacedGlyph& p = placed[glyph];
      if (p.count < 0) Place(p, g, stamp.bytes, scale * stride);
      uint8_t* const origin = bandRow + (top - y0) * stride + x * bpp;
      switch (stamp.count) {
        case 1:  // YUV 4:2:2, the smallest size
          StampLabel<1>(origin, stride, scale, p, stamp, l.loud);
          break;
        case 2:  // RGB24, the smallest size
          StampLabel<2>(origin, stride, scale, p, stamp, l.loud);
          break;
        default:
          StampLabel<0>(origin, stride, scale, p, stamp, l.loud);
      }
    }
  }
}

}  // namespace qlv
