// Loads the plug-in the way the host does: from Plugins\ beside the executable.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/host_api.h"

namespace hostsim {

struct LoadedPlugin {
  HMODULE module = nullptr;
  qlv::PluginVersionFn version = nullptr;
  qlv::PluginRecordFn record = nullptr;
};

// Folder of the running executable, ending in a backslash.
std::string ExecutableFolder();

// Loads `Plugins\<name>` beside the executable; false with a message on failure.
bool LoadPlugin(const std::string& dllName, LoadedPlugin* out, std::string* error);
void UnloadPlugin(LoadedPlugin* p);

}  // namespace hostsim
