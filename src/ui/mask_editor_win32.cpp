#include "ui/mask_editor_win32.h"

#include <commctrl.h>

#include <atomic>

#include "ui/mask_commands.h"

namespace qlv {

namespace {
// The hook procedure has no context of its own.
std::atomic<MaskEditor*> g_editor{nullptr};
std::atomic<HHOOK> g_hook{nullptr};
}  // namespace

bool MaskEditor::Install() {
  if (hook_) return true;
  hook_ = SetWindowsHookExA(WH_MOUSE, &MaskEditor::HookProcedure, nullptr, GetCurrentThreadId());
  if (!hook_) return false;
  g_hook = hook_;
  g_editor = this;
  return true;
}

void MaskEditor::Remove() {
  if (!hook_) return;
  UnhookWindowsHookEx(hook_);
  MaskEditor* self = this;
  g_editor.compare_exchange_strong(self, nullptr);
  HHOOK h = hook_;
  g_hook.compare_exchange_strong(h, nullptr);
  hook_ = nullptr;
}

void MaskEditor::OnMouse(UINT msg, const MOUSEHOOKSTRUCT& info) {
  if (!info.hwnd) return;
  // Only a release counts, and only one addressed to the video frame window
  // itself (its picture child lets the mouse through to it).
  if (msg == WM_LBUTTONUP && commands_ && videoFrame_) {
    HWND frame = videoFrame_();
    if (frame && info.hwnd == frame) {
      RECT client = {};
      POINT at = info.pt;
      if (GetClientRect(frame, &client) && ScreenToClient(frame, &at))
        commands_->ToggleAt(at.x, at.y, client.right - client.left, client.bottom - client.top);
    }
  }
  HWND parent = GetParent(info.hwnd);
  for (const TooltipOwner& o : owners_) {
    if (!o.owner || parent != o.owner) continue;
    MSG relay = {};
    relay.hwnd = info.hwnd;
    relay.message = msg;
    relay.pt = info.pt;
    POINT client = info.pt;
    ScreenToClient(info.hwnd, &client);
    relay.lParam = MAKELPARAM(client.x, client.y);
    relay.time = GetMessageTime();
    if (o.tooltip) SendMessageW(o.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    break;
  }
}

LRESULT CALLBACK MaskEditor::HookProcedure(int code, WPARAM wParam, LPARAM lParam) {
  try {
    MaskEditor* editor = g_editor.load();
    if (code == HC_ACTION && editor && lParam)
      editor->OnMouse(static_cast<UINT>(wParam), *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam));
  } catch (...) {
    // The message is passed on whatever happened here.
  }
  return CallNextHookEx(g_hook.load(), code, wParam, lParam);
}

}  // namespace qlv
