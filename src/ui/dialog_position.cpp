#include "ui/dialog_position.h"

#include <algorithm>

#include "plugin/plugin.h"

namespace qlv {

namespace {
// Halves as the platform's integers do (toward zero), in 64 bits so that no
// sum of two screen coordinates can overflow.
int64_t Mid(int32_t a, int32_t b) { return (static_cast<int64_t>(a) + b) / 2; }

int32_t ClampToInt32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < 0) return 0;  // a negative centred coordinate becomes 0
  return static_cast<int32_t>(v);
}
}  // namespace

DialogPlacement PlaceDialog(int32_t storedX, int32_t storedY, int32_t screenWidth, int32_t screenHeight,
                            const ScreenRect& dialog, const ScreenRect& parent) {
  const bool unset = storedX == kDefaultDialogPos && storedY == kDefaultDialogPos;
  if (!unset && storedX < screenWidth && storedY < screenHeight) return DialogPlacement{storedX, storedY, false};
  const int64_t x = dialog.left + Mid(parent.left, parent.right) - Mid(dialog.left, dialog.right);
  const int64_t y = dialog.top + Mid(parent.top, parent.bottom) - Mid(dialog.top, dialog.bottom);
  return DialogPlacement{ClampToInt32(x), ClampToInt32(y), true};
}

ScreenPoint PlaceBeside(const ScreenRect& owner, int32_t width, int32_t height, int32_t screenWidth,
                        int32_t screenHeight) {
  int64_t x;
  if (static_cast<int64_t>(owner.right) + width <= screenWidth) {
    x = owner.right;
  } else if (static_cast<int64_t>(owner.left) - width >= 0) {
    x = static_cast<int64_t>(owner.left) - width;
  } else {
    x = static_cast<int64_t>(screenWidth) - width;
  }
  const int64_t y = std::min<int64_t>(owner.top, static_cast<int64_t>(screenHeight) - height);
  return ScreenPoint{ClampToInt32(x), ClampToInt32(y)};
}

}  // namespace qlv
