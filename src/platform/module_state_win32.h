// The plug-in's own module, in which every resource, dialog template and window class
// of the plug-in is looked up (never the host's executable).
#pragma once

#include <windows.h>

namespace qlv {

// The handle DllMain received, or else the image that holds this code (a test program).
HMODULE PluginModule();
// At load, from DllMain; null forgets it.
void SetPluginModule(HMODULE m);

}  // namespace qlv
