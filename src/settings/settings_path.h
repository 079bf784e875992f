// Which settings file a plug-in instance uses.
#pragma once

#include <cstdint>
#include <string>

#include "settings/ini_store.h"

namespace qlv {

// Everything BuildSettingsPath needs from the system, gathered by LocateSettings.
struct SettingsPathInputs {
  bool versionKnown = false;         // the version record could be obtained at all
  bool ntFamily = false;             // a Windows NT family platform
  uint32_t storeInUsersFolder = 0;   // registry value; 0 when the key or value is missing
  std::string appDataFolder;         // the user's application-data folder, no trailing backslash
  std::string executablePath;        // full path of the host's executable
  std::string commandLine;           // the host's command line as given
  std::string moduleBaseName;        // the plug-in's file name without folder and extension
};

// The host instance id on a command line: the one character after "-inst:",
// replaced by the one after "/inst:"; matched on the lower-cased line.
std::string InstanceFromCommandLine(const std::string& commandLine);

// Fills instance, folder, base name, file name and full path. When the version
// is unknown every path field stays empty (no file is read or saved) and the
// result is false. Creating the folder is the caller's job.
bool BuildSettingsPath(const SettingsPathInputs& in, SettingsLocation* out);

}  // namespace qlv
