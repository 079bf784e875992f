#include "settings/settings_location_win32.h"

#include <shlobj.h>

#include <cstring>

namespace qlv {
namespace {

bool QueryVersion(bool* ntFamily) {
  OSVERSIONINFOEXA ex;
  std::memset(&ex, 0, sizeof ex);
  ex.dwOSVersionInfoSize = sizeof ex;
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
    *ntFamily = ex.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return true;
  }
  OSVERSIONINFOA plain;
  std::memset(&plain, 0, sizeof plain);
  plain.dwOSVersionInfoSize = sizeof plain;
  if (GetVersionExA(&plain)) {
    *ntFamily = plain.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return true;
  }
  return false;
}

uint32_t ReadStoreInUsersFolder() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelvar", 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD value = 0;
  DWORD type = 0;
  DWORD size = sizeof value;
  const LONG rc = RegQueryValueExA(key, "StoreInUsersFolder", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : 0;
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH + 1] = {0};
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace

SettingsPathInputs GatherSettingsPathInputs(HMODULE pluginModule) {
  SettingsPathInputs in;
  in.versionKnown = QueryVersion(&in.ntFamily);
  in.storeInUsersFolder = ReadStoreInUsersFolder();
  char appData[MAX_PATH + 1] = {0};
  if (SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE)) in.appDataFolder = appData;
  in.executablePath = ModulePath(nullptr);
  const char* cmd = GetCommandLineA();
  in.commandLine = cmd ? cmd : "";
  in.moduleBaseName = BaseName(ModulePath(pluginModule));
  return in;
}

SettingsLocation LocateSettings(HMODULE pluginModule) {
  SettingsLocation loc;
  if (BuildSettingsPath(GatherSettingsPathInputs(pluginModule), &loc)) CreateDirectoryA(loc.folder.c_str(), nullptr);
  return loc;
}

}  // namespace qlv
