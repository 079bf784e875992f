// The thread-local mouse hook that lives while the settings dialog is open. It
// relays mouse messages to the tooltip controls of the dialog and its action
// pages, and is where clicks on the host's video edit the mask.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace qlv {

class MaskCommands;

class MaskEditor {
 public:
  struct TooltipOwner {
    HWND owner;    // a dialog window
    HWND tooltip;  // its tooltip control
  };

  ~MaskEditor() { Remove(); }

  // Hooks the mouse messages of the calling thread. One editor per process.
  bool Install();
  void Remove();
  bool installed() const { return hook_ != nullptr; }

  // In relay order: the settings dialog first, then the action pages.
  void SetTooltipOwners(std::vector<TooltipOwner> owners) { owners_ = std::move(owners); }

  // Where left-button releases on the video frame window toggle cells; the
  // window is asked for at each release (the host's windows follow the stream).
  void SetMaskTarget(MaskCommands* commands, std::function<HWND()> videoFrame) {
    commands_ = commands;
    videoFrame_ = std::move(videoFrame);
  }

  // What the hook does with one mouse message.
  void OnMouse(UINT msg, const MOUSEHOOKSTRUCT& info);

 private:
  static LRESULT CALLBACK HookProcedure(int code, WPARAM wParam, LPARAM lParam);

  HHOOK hook_ = nullptr;
  std::vector<TooltipOwner> owners_;
  MaskCommands* commands_ = nullptr;
  std::function<HWND()> videoFrame_;
};

}  // namespace qlv
