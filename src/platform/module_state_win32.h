// Our stand-in for the class library's module state: which module resources and
// windows are looked up in. Every entry point and window procedure holds a guard.
#pragma once

#include <windows.h>

namespace qlv {

// The plug-in's own module: the handle DllMain received, or else the image that
// holds this code (never the host's executable).
HMODULE PluginModule();
// At load (before any guard): records the module and makes the per-thread state.
void SetPluginModule(HMODULE m);
// At unload: the per-thread state goes.
void EndModuleState();
// The TLS slot of the per-thread state (TLS_OUT_OF_INDEXES before SetPluginModule).
DWORD ModuleStateTlsSlot();

// The module resources and dialog templates are looked up in: the one a guard
// made current on this thread, or the plug-in's own outside every guard.
HMODULE CurrentResourceModule();

// RAII: makes the plug-in's module current, restores the previous one on every
// exit, exceptions included. Guards nest.
class ModuleStateGuard {
 public:
  ModuleStateGuard();
  ~ModuleStateGuard();
  ModuleStateGuard(const ModuleStateGuard&) = delete;
  ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;

 private:
  HMODULE previous_;
};

}  // namespace qlv
