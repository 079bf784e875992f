#include <gtest/gtest.h>

#include <windows.h>

#include "settings/settings_location_win32.h"

namespace qlv {
namespace {

// This executable stands in for the plug-in module: its folder is the host's.
TEST(SettingsLocationWin32, InputsFromTheSystemAndTheFolder) {
  const HMODULE self = GetModuleHandleA(nullptr);
  const SettingsPathInputs in = GatherSettingsPathInputs(self);
  EXPECT_TRUE(in.versionKnown);
  EXPECT_TRUE(in.ntFamily);
  EXPECT_EQ(in.moduleBaseName, "unit_tests");
  EXPECT_NE(in.executablePath.find("unit_tests.exe"), std::string::npos);
  EXPECT_FALSE(in.commandLine.empty());

  const SettingsLocation loc = LocateSettings(self);
  const std::string exeFolder = in.executablePath.substr(0, in.executablePath.rfind('\\') + 1);
  if (in.storeInUsersFolder == 0) {
    EXPECT_EQ(loc.folder, exeFolder + "Plugins\\");
  }
  EXPECT_EQ(loc.fileName, "unit_tests.ini");
  EXPECT_EQ(loc.fullPath, loc.folder + "unit_tests.ini");
  const DWORD a = GetFileAttributesA(loc.folder.c_str());
  ASSERT_NE(a, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace qlv
