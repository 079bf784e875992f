#include "platform/module_state_win32.h"

namespace qlv {
namespace {
HMODULE g_pluginModule = nullptr;

// The image this code is in, found from the address of one of its functions.
HMODULE ImageOfThisCode() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ImageOfThisCode), &self);
  return self;
}
}  // namespace

HMODULE PluginModule() { return g_pluginModule ? g_pluginModule : ImageOfThisCode(); }

void SetPluginModule(HMODULE m) { g_pluginModule = m; }

}  // namespace qlv
