// Where the settings dialog opens: the stored place, or centred on the host's
// window when nothing usable is stored.
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

}  // namespace qlv
