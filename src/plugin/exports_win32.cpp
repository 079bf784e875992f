// The library's two exports. Thin: check arguments, enter the module state, forward.
#include <windows.h>

#include "plugin/host_api.h"

using namespace qlv;

extern "C" __declspec(dllexport) int QLV_CDECL Quelvar_Plugin_Version() { return kPluginInterfaceVersion; }

extern "C" __declspec(dllexport) PluginRecord* QLV_CDECL Quelvar_Plugin_PR() {
  static char name[128];
  static char description[256];
  static PluginRecord record = {name, description, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  return &record;
}
