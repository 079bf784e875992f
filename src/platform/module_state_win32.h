// Our stand-in for the class library's module state: which module resources and
// windows are looked up in. Every entry point and window procedure holds a guard.
#pragma once

#include <windows.h>

namespace qlv {

// The plug-in's own module, recorded when the library is loaded.
HMODULE PluginModule();
void SetPluginModule(HMODULE m);

// The module current on this thread (the host's until a guard says otherwise).
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
