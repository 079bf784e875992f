// One host with one plug-in: its windows, its channel list, and the plug-in
// loaded from Plugins\ beside the executable and driven through its exports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "channels.h"
#include "host_windows.h"
#include "plugin_loader.h"

namespace hostsim {

constexpr char kPluginDllName[] = "QPM_QLVGuard.dll";

struct HostSessionOptions {
  HostWindowOptions windows;
  bool createWindows = true;  // false: a host without windows (the plug-in finds none)
  std::string dllName = kPluginDllName;
  uint32_t initContext = 0x51564C47;  // the HostInitInfo context word; the plug-in never uses it
  int32_t notViewing = 0;             // SettingsRequest.notViewing of the user's settings requests
};

class HostSession {
 public:
  HostSession() = default;
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Creates the windows (if asked), makes the channel list current and loads the
  // DLL. False with a message on failure.
  bool Open(const HostSessionOptions& options, std::string* error);
  // Closes the plug-in if it was initialised, unloads it, destroys the windows.
  void Shutdown();

  // The exports and entry points, as the host calls them.
  int Version();
  qlv::PluginRecord* Record();  // Quelvar_Plugin_PR, every call
  void Init();                  // PluginInit with HostGetChannel and the context
  int Start(const qlv::StreamFormat& format);
  int ProcessFrame(qlv::HostFrame& frame);
  void Empty();
  void ShowSettings(HWND parent, int32_t notViewing);
  void Close();
  // What the menu item and F2 do: PluginShowSettings with the main window as parent,
  // once the plug-in is initialised (the host offers no settings before that).
  void RequestSettings();

  HostWindows& windows() { return windows_; }
  ChannelList& channels() { return channels_; }
  const LoadedPlugin& plugin() const { return plugin_; }
  bool loaded() const { return plugin_.module != nullptr; }
  // Frames handed to ProcessFrame so far; also written into the command log.
  int64_t frameIndex() const { return frameIndex_; }

 private:
  qlv::PluginRecord* CachedRecord();

  HostSessionOptions options_;
  HostWindows windows_;
  ChannelList channels_;
  LoadedPlugin plugin_;
  qlv::PluginRecord* record_ = nullptr;
  qlv::HostInitInfo initInfo_ = {};
  bool initialised_ = false;
  int64_t frameIndex_ = -1;
};

// The stream format hostsim uses when none is given: PAL size, packed YUV 4:2:2.
qlv::StreamFormat DefaultStreamFormat();

}  // namespace hostsim
