// An empty folder under the temporary directory, named after the running test,
// and the settings location of a plug-in whose file lives there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/ini_store.h"

namespace qlv {
namespace testing_support {

inline SettingsLocation FreshSettingsFolder(const std::string& prefix, std::filesystem::path* dir) {
  *dir = std::filesystem::temp_directory_path() /
         (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(*dir);
  std::filesystem::create_directories(*dir);
  SettingsLocation loc;
  loc.folder = dir->string() + "/";
  loc.baseName = "QPM_QLVGuard";
  loc.fileName = "QPM_QLVGuard.ini";
  loc.fullPath = (*dir / loc.fileName).string();
  return loc;
}

}  // namespace testing_support
}  // namespace qlv
