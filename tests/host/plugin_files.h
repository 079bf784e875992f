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

}  // namespace hosttest
