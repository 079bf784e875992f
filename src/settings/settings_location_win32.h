// Gathers the settings-location inputs from the system and creates the folder.
#pragma once

#include <windows.h>

#include "settings/settings_path.h"

namespace qlv {

// Version record, registry value, application-data folder, executable path,
// command line and the base name of `pluginModule`.
SettingsPathInputs GatherSettingsPathInputs(HMODULE pluginModule);

// Builds the location for `pluginModule` and creates its last folder (a single
// folder creation; parents are not created, an existing folder is fine).
SettingsLocation LocateSettings(HMODULE pluginModule);

}  // namespace qlv
