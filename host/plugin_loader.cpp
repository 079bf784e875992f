#include "plugin_loader.h"

namespace hostsim {

std::string ExecutableFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  size_t slash = s.find_last_of('\\');
  return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

bool LoadPlugin(const std::string& dllName, LoadedPlugin* out, std::string* error) {
  std::string path = ExecutableFolder() + "Plugins\\" + dllName;
  HMODULE m = LoadLibraryA(path.c_str());
  if (!m) {
    *error = "cannot load " + path;
    return false;
  }
  out->module = m;
  out->version = reinterpret_cast<qlv::PluginVersionFn>(reinterpret_cast<void*>(GetProcAddress(m, "Quelvar_Plugin_Version")));
  out->record = reinterpret_cast<qlv::PluginRecordFn>(reinterpret_cast<void*>(GetProcAddress(m, "Quelvar_Plugin_PR")));
  if (!out->version || !out->record) {
    *error = "missing exports in " + path;
    FreeLibrary(m);
    out->module = nullptr;
    return false;
  }
  return true;
}

void UnloadPlugin(LoadedPlugin* p) {
  if (p->module) FreeLibrary(p->module);
  *p = LoadedPlugin();
}

}  // namespace hostsim
