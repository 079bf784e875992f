#include "platform/module_state_win32.h"

namespace qlv {
namespace {
HMODULE g_pluginModule = nullptr;
thread_local HMODULE t_current = nullptr;
}  // namespace

HMODULE PluginModule() { return g_pluginModule; }
void SetPluginModule(HMODULE m) { g_pluginModule = m; }

HMODULE CurrentResourceModule() { return t_current ? t_current : GetModuleHandleA(nullptr); }

ModuleStateGuard::ModuleStateGuard() : previous_(t_current) { t_current = g_pluginModule; }
ModuleStateGuard::~ModuleStateGuard() { t_current = previous_; }

}  // namespace qlv
