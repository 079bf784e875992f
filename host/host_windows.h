// The host's windows as the plug-in sees them: the main window "TMain" that
// answers HostCommand, and the video window "TVideoFrame" whose child
// "ActiveMovie Window" lets mouse messages through to it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "command_log.h"

namespace hostsim {

struct HostWindowOptions {
  std::string instanceId;            // empty: plain titles; else "Quelvar.Inst<id>", "Video window.Inst<id>"
  uint32_t languageAnswer = 0;       // answer to HostCommand 1313
  uint32_t versionAnswer = 0x00040007; // answer to HostCommand 1309
  bool visible = false;              // show the windows (hostsim does; tests need not)
  bool quitOnClose = false;          // closing the main window ends the message loop (WM_QUIT)
  int videoWidth = 720;              // client size of the video window
  int videoHeight = 576;
};

class HostWindows {
 public:
  HostWindows() = default;
  virtual ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  // Registers the classes (once per process) and creates the windows on the
  // calling thread, which must pump their messages. False when creation fails.
  bool Create(const HostWindowOptions& options);
  void Destroy();

  HWND mainWindow() const { return main_; }
  HWND videoWindow() const { return video_; }
  HWND movieWindow() const { return movie_; }  // the "ActiveMovie Window" child
  static std::string MainTitle(const std::string& instanceId);
  static std::string VideoTitle(const std::string& instanceId);

  // Answers may change at any time, from any thread.
  void SetLanguageAnswer(uint32_t answer) { languageAnswer_ = answer; }
  void SetVersionAnswer(uint32_t answer) { versionAnswer_ = answer; }
  uint32_t languageQuestions() const { return languageQuestions_; }
  // The frame index written into the log with every command.
  void SetFrameIndex(int64_t index) { frameIndex_ = index; }
  CommandLog& log() { return log_; }

  // Mouse messages that reached the video window (through the transparent child).
  uint32_t videoMouseMessages() const { return videoMouse_; }

  // The user asks for the plug-in's settings: the main window's menu item, or F2 in
  // the main or the video window. `handler` runs on the windows' thread.
  void SetSettingsRequestHandler(std::function<void()> handler) { settingsHandler_ = std::move(handler); }
  static constexpr UINT kSettingsMenuCommand = 40001;
  static const char* SettingsMenuText();

  // Dispatches this thread's pending messages; false once WM_QUIT was seen. Keyboard
  // messages for a top-level dialog of this thread go through IsDialogMessage first,
  // as a host's loop does for its modeless dialogs (Tab, Enter, Escape, mnemonics).
  static bool PumpMessages();

 protected:
  // Called on the window's thread for every command other than 1309 and 1313,
  // after it was logged; the base does nothing. Returns the send result.
  virtual LRESULT OnCommand(uint32_t code, LPARAM lParam) { return 0; }

 private:
  static LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK VideoProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK MovieProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp);
  LRESULT HandleCommand(WPARAM wp, LPARAM lp);
  // True when the message was the settings menu item or a first F2 press.
  bool HandleSettingsRequest(UINT msg, WPARAM wp, LPARAM lp);

  HWND main_ = nullptr;
  HWND video_ = nullptr;
  HWND movie_ = nullptr;
  HHOOK getMessageHook_ = nullptr;  // tells posted HostCommands from sent ones
  std::atomic<uint32_t> languageAnswer_{0};
  std::atomic<uint32_t> versionAnswer_{0};
  std::atomic<uint32_t> languageQuestions_{0};
  std::atomic<int64_t> frameIndex_{-1};
  std::atomic<uint32_t> videoMouse_{0};
  std::function<void()> settingsHandler_;
  bool inSettingsRequest_ = false;  // a refusal's message box must not let F2 stack up requests
  bool quitOnClose_ = false;
  CommandLog log_;
};

}  // namespace hostsim
