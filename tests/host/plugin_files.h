// Files the host tests put beside the DLL: the settings file and masks.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "plugin_loader.h"

namespace hosttest {

inline std::string PluginsFolder() { return hostsim::ExecutableFolder() + "Plugins\\"; }
inline std::string IniPath() { return PluginsFolder() + "QPM_QLVGuard.ini"; }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The value of `key` in the settings file's "[PluginSettings]" section as the plug-in
// saved it; "(missing)" when the file or the key is not there.
inline std::string SavedValue(const std::string& key) {
  std::string bytes;
  if (std::FILE* f = std::fopen(IniPath().c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  const std::string k = "\n" + key + "=";
  const size_t at = bytes.find(k);
  if (at == std::string::npos) return "(missing)";
  const size_t start = at + k.size();
  return bytes.substr(start, bytes.find("\r\n", start) - start);
}

}  // namespace hosttest
