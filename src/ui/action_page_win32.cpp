#include "ui/action_page_win32.h"

namespace qlv {

void ActionPage::SetIcons(const std::vector<IconButton>& buttons) {
  for (const IconButton& b : buttons) SetButtonIcon(Item(b.control), b.icon);
}

void ActionPage::CreateTooltip(const std::vector<Tip>& tips) {
  tooltip_.Create(hwnd());
  for (const Tip& t : tips)
    tooltip_.Add(Item(t.control), language() ? language()->LoadWideString(t.text) : std::wstring());
  tooltip_.Activate();
}

void ActionPage::PostToDialog(uint32_t kind) {
  if (HWND w = hwnd()) PostMessageW(GetAncestor(w, GA_ROOT), WM_REFRESH_CONTROLS, kind, 0);
}

WindowHandle ActionPage::ChooserOwner() const {
  HWND w = hwnd();
  return reinterpret_cast<WindowHandle>(w ? GetAncestor(w, GA_ROOT) : nullptr);
}

std::function<bool()> ActionPage::StillHere() {
  HWND now = hwnd();
  return [this, now] { return now != nullptr && hwnd() == now && IsWindow(now); };
}

}  // namespace qlv
