#include "platform/module_state_win32.h"

namespace qlv {
namespace {
HMODULE g_pluginModule = nullptr;
// A system TLS slot, not a thread_local: the static runtime's thread-local
// storage keeps objects it never frees, once per load of the library.
DWORD g_currentSlot = TLS_OUT_OF_INDEXES;

// The image this code is in, found from the address of one of its functions.
HMODULE ImageOfThisCode() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ImageOfThisCode), &self);
  return self;
}

HMODULE GuardedModule() {
  return g_currentSlot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<HMODULE>(TlsGetValue(g_currentSlot));
}

void SetGuardedModule(HMODULE m) {
  if (g_currentSlot != TLS_OUT_OF_INDEXES) TlsSetValue(g_currentSlot, m);
}
}  // namespace

HMODULE PluginModule() { return g_pluginModule ? g_pluginModule : ImageOfThisCode(); }

void SetPluginModule(HMODULE m) {
  g_pluginModule = m;
  if (g_currentSlot == TLS_OUT_OF_INDEXES) g_currentSlot = TlsAlloc();
}

void EndModuleState() {
  if (g_currentSlot != TLS_OUT_OF_INDEXES) TlsFree(g_currentSlot);
  g_currentSlot = TLS_OUT_OF_INDEXES;
}

DWORD ModuleStateTlsSlot() { return g_currentSlot; }

HMODULE CurrentResourceModule() {
  const HMODULE m = GuardedModule();
  return m ? m : PluginModule();
}

ModuleStateGuard::ModuleStateGuard() : previous_(GuardedModule()) { SetGuardedModule(PluginModule()); }
ModuleStateGuard::~ModuleStateGuard() { SetGuardedModule(previous_); }

}  // namespace qlv
