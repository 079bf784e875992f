// Where the settings dialog opens: the stored place, or centred on the host's
// window when nothing usable is stored. Where the windows it owns open: beside it.
#pragma once

#include <cstdint>

namespace qlv {

// Screen rectangle; right and bottom exclusive.
struct ScreenRect {
  int32_t left, top, right, bottom;
};

struct DialogPlacement {
  int32_t x, y;
  bool centred;  // the place was computed; the caller stores it
};

// Centred when both stored values are -100, or x >= screen width, or y >= screen
// height; a centred coordinate below 0 becomes 0. Otherwise the stored values
// are used unchanged, negative ones included.
DialogPlacement PlaceDialog(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight,
                            const ScreenRect& dialog, const ScreenRect& parent);

struct ScreenPoint {
  int32_t x, y;
};

// Where a window of `width` x `height` opens beside `owner` on a screen of the given
// size: right of it, else left of it, else against the screen's right edge; its top
// at the owner's, moved up as far as the screen's bottom needs and never above 0.
ScreenPoint PlaceBeside(const ScreenRect& owner, int32_t width, int32_t height, int32_t screenWidth,
                        int32_t screenHeight);

}  // namespace qlv
