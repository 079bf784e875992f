// A settings file through the plug-in's own Init and Close: written with `body` under the
// section header, read into a plug-in, saved again; the file's bytes afterwards.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "plugin/plugin.h"

namespace qlv {
namespace testing_support {

inline std::string CycleSettingsFile(const SettingsLocation& loc, Platform& platform, const std::string& body,
                                     SettingsRecord* read) {
  {
    std::ofstream f(loc.fullPath, std::ios::binary);
    f << "[PluginSettings]\r\n" << body;
  }
  Plugin plugin(platform);
  plugin.Init(nullptr, 0, loc);
  *read = plugin.Settings();
  plugin.Close();
  std::ifstream f(loc.fullPath, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace testing_support
}  // namespace qlv
