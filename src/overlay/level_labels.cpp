#include "overlay/level_labels.h"

#include <algorithm>
#include <cstring>

#include "detect/cell_state.h"
#include "pixel/mul_div.h"

namespace qlv {

namespace {

// 3 x 5 digits and a 5 x 5 "M"; bit 2 (or 4) of a row is its leftmost pixel.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr uint8_t kMuted[5] = {0x11, 0x1B, 0x15, 0x11, 0x11};

// The runs of lit pixels in a font row of up to 7 pixels (bit 6 leftmost): from the row's
// bits, for every bit pattern, at compile time.
struct Runs {
  uint8_t count;
  uint8_t start[4];
  uint8_t length[4];
};
struct RunTable {
  Runs runs[128];
};
constexpr RunTable MakeRunTable() {
  RunTable t{};
  for (int mask = 0; mask < 128; ++mask) {
    Runs r{};
    for (int col = 0; col < 7;) {
      if (!(mask >> (6 - col) & 1)) {
        ++col;
        continue;
      }
      int len = 0;
      while (col + len < 7 && (mask >> (6 - col - len) & 1)) ++len;
      r.start[r.count] = static_cast<uint8_t>(col);
      r.length[r.count] = static_cast<uint8_t>(len);
      ++r.count;
      col += len;
    }
    t.runs[mask] = r;
  }
  return t;
}
constexpr RunTable kRunTable = MakeRunTable();

struct Clip {
  int32_t left, top, right, bottom;  // right and bottom exclusive; left and right even
};

// An opaque square run [x, x + w) x [y, y + h) inside the clip.
void Fill(uint8_t* frame, const FrameCanvas& canvas, const Clip& c, int32_t x, int32_t y, int32_t w, int32_t h,
          uint32_t pixel) {
  const int32_t x0 = std::max(x, c.left), x1 = std::min(x + w, c.right);
  const int32_t y0 = std::max(y, c.top), y1 = std::min(y + h, c.bottom);
  if (x0 >= x1 || y0 >= y1) return;
  const bool yuv = canvas.pixelFormat() == PixelFormatYUV422;
  for (int32_t row = y0; row < y1; ++row) {
    uint8_t* p = canvas.PixelAddress(frame, x0, row);
    if (yuv) {
      for (int32_t px = x0; px < x1; px += 2, p += 4) {
        p[0] = static_cast<uint8_t>(pixel);
        p[1] = static_cast<uint8_t>(pixel >> 8);
        p[2] = static_cast<uint8_t>(pixel >> 16);
        p[3] = static_cast<uint8_t>(pixel >> 24);
      }
    } else {
      for (int32_t px = x0; px < x1; ++px, p += 3) {
        p[0] = static_cast<uint8_t>(pixel);
        p[1] = static_cast<uint8_t>(pixel >> 8);
        p[2] = static_cast<uint8_t>(pixel >> 16);
      }
    }
  }
}

int32_t Even(int32_t v) { return v & ~1; }

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
  const uint32_t loud = canvas.ColorToPixel(loudColor), quiet = canvas.ColorToPixel(quietColor),
                 cross = canvas.ColorToPixel(crossColor);
  const bool yuv = canvas.pixelFormat() == PixelFormatYUV422;
  // One size for every label of the frame, that of the smallest cell.
  const int32_t scale = LabelScale(W / columns, H / rows);
  int32_t edgesX[kMaxLabelColumns + 1];
  for (int32_t j = 0; j <= columns; ++j) edgesX[j] = MulDiv(j, W, columns);
  // Each label of a band as the byte ranges of its lit runs, clipped to its cell, per font row.
  struct Prepared {
    uint8_t count[5];
    int32_t from[5][4], to[5][4];  // bytes within a picture row, `to` exclusive
    uint8_t bytes[4];              // the pixel or pair, byte 0 first
  } cells[kMaxLabelColumns];
  const int32_t bpp = yuv ? 2 : 3;
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t y0 = MulDiv(i, H, rows), y1 = MulDiv(i + 1, H, rows);
    if (y1 <= y0) continue;
    int32_t n = 0;  // cells of this row with a label, in `cells`
    for (int32_t j = 0; j < columns; ++j) {
      const CellLabel& l = labels[static_cast<size_t>(i) * columns + j];
      if (l.kind == CellLabel::None && !l.cross) continue;
      const int32_t x0 = edgesX[j], x1 = edgesX[j + 1], cw = x1 - x0, ch = y1 - y0;
      // Whole pairs only: a clip edge inside a pair moves inwards.
      const Clip c{yuv ? x0 + (x0 & 1) : x0, y0, yuv ? Even(x1) : x1, y1};
      if (c.left >= c.right) continue;
      if (l.cross) {
        // Squares of one font pixel from corner to corner, both ways.
        const int32_t steps = std::max(1, std::max(cw, ch) / scale);
        for (int32_t k = 0; k <= steps; ++k) {
          const int32_t y = y0 + (ch - scale) * k / steps;
          Fill(frame, canvas, c, Even(x0 + (cw - scale) * k / steps), y, scale, scale, cross);
          Fill(frame, canvas, c, Even(x0 + (cw - scale) * (steps - k) / steps), y, scale, scale, cross);
        }
      }
      if (l.kind == CellLabel::None) continue;
      Prepared& p = cells[n++];
      const uint32_t pixel = l.loud ? loud : quiet;
      std::memcpy(p.bytes, &pixel, 4);  // little-endian: byte 0 first
      // Rows aligned on the table's 7 columns: a narrower label's bits move to the left.
      uint8_t rowBits[5];
      int32_t width;
      if (l.kind == CellLabel::Muted) {
        width = 5;
        for (int32_t k = 0; k < 5; ++k) rowBits[k] = static_cast<uint8_t>(kMuted[k] << 2);
      } else {
        const int32_t value = std::min<int32_t>(l.value, 99);
        width = value >= 10 ? 7 : 3;
        for (int32_t k = 0; k < 5; ++k)
          rowBits[k] = value >= 10 ? static_cast<uint8_t>(kDigits[value / 10][k] << 4 | kDigits[value % 10][k])
                                   : static_cast<uint8_t>(kDigits[value][k] << 4);
      }
      const int32_t x = Even(x0 + (cw - width * scale) / 2);
      for (int32_t r = 0; r < 5; ++r) {
        const Runs& runs = kRunTable.runs[rowBits[r]];
        p.count[r] = 0;
        for (int32_t q = 0; q < runs.count; ++q) {
          const int32_t a = std::max(x + runs.start[q] * scale, c.left);
          const int32_t b = std::min(x + (runs.start[q] + runs.length[q]) * scale, c.right);
          if (a >= b) continue;
          p.from[r][p.count[r]] = a * bpp;
          p.to[r][p.count[r]] = b * bpp;
          ++p.count[r];
        }
      }
    }
    if (n == 0) continue;
    // Row by row through the band: one row address for all the labels of the row.
    const int32_t top = y0 + (y1 - y0 - 5 * scale) / 2;
    for (int32_t r = 0; r < 5; ++r)
      for (int32_t py = std::max(top + r * scale, y0); py < std::min(top + (r + 1) * scale, y1); ++py) {
        uint8_t* base = canvas.PixelAddress(frame, 0, py);
        // Locals throughout: the byte stores may alias anything, so the compiler would read
        // every field again after each one.
        for (int32_t k = 0; k < n; ++k) {
          const Prepared& p = cells[k];
          const int32_t count = p.count[r];
          int32_t from[4], to[4];
          std::memcpy(from, p.from[r], sizeof from);
          std::memcpy(to, p.to[r], sizeof to);
          uint32_t pixel;
          std::memcpy(&pixel, p.bytes, 4);
          for (int32_t q = 0; q < count; ++q) {
            uint8_t* at = base + from[q];
            uint8_t* const end = base + to[q];
            if (yuv) {
              for (; at < end; at += 4) std::memcpy(at, &pixel, 4);
            } else {
              for (; at < end; at += 3) std::memcpy(at, &pixel, 3);
            }
          }
        }
      }
  }
}

}  // namespace qlv
