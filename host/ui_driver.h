// Runs hostsim's --at actions on the interface thread, against the plug-in's real
// windows: the frame thread only posts (PostFrame) to a message-only window of the
// interface thread, which does the work there between its other messages. Message
// boxes that appear in the meantime are read, logged and closed with OK, as a user
// would, so that a refused entry never leaves the host waiting.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host_session.h"
#include "ui_actions.h"

namespace hostsim {

// The first dialog-class window owned by `owner` (null: none).
HWND FindOwnedDialog(HWND owner);

class UiDriver {
 public:
  struct Outcome {
    UiAction action;
    bool done = false;
    std::string why;  // when not done
  };
  struct SeenBox {
    int64_t frame = -1;  // the frame the host was at when the box was found
    std::string text;    // its message, UTF-8
  };

  // `log` receives one line per action done or refused and per message box.
  UiDriver(HostSession& session, std::vector<UiAction> actions, std::function<void(const std::string&)> log);
  ~UiDriver();
  UiDriver(const UiDriver&) = delete;
  UiDriver& operator=(const UiDriver&) = delete;

  // On the interface thread, before the frames start; false when the window could not be made.
  bool Create();
  // On the frame thread after each frame: posts the actions due after `frame`.
  void PostFrame(int64_t frame);
  // After the frames: the actions never reached count as refused ("not reached").
  void Finish(int64_t lastFrame);

  // Runs one action now, on the interface thread, and logs it.
  Outcome Run(const UiAction& a);

  // The settings dialog and the windows it owns, owned ones first (empty: no dialog).
  std::vector<HWND> PluginWindows() const;
  // The control with `id` in the plug-in's open windows, the first visible one if any.
  HWND FindControl(int32_t id) const;
  // Its text in UTF-8; false when no open window holds it.
  bool ControlText(int32_t id, std::string* text) const;

  const std::vector<Outcome>& outcomes() const { return outcomes_; }
  const std::vector<SeenBox>& boxes() const { return boxes_; }
  size_t failures() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  void RunPosted(size_t index);
  // The control an action presses or types into; null with the reason when a user could not.
  HWND Target(const UiAction& a, std::string* why) const;
  void CloseMessageBoxes();
  void Type(HWND edit, const std::string& text);
  void Log(const std::string& line) const {
    if (log_) log_(line);
  }

  HostSession& session_;
  const std::vector<UiAction> actions_;  // in frame order
  std::function<void(const std::string&)> log_;
  HWND window_ = nullptr;
  size_t nextPost_ = 0;                  // frame thread only, until the frames end
  std::vector<Outcome> outcomes_;        // interface thread only, like what follows
  std::vector<SeenBox> boxes_;
  std::vector<HWND> closing_;            // boxes told to close that may still be there
  std::vector<size_t> pending_;          // posted actions, in order, while one runs
  bool running_ = false;
};

}  // namespace hostsim
