#include <gtest/gtest.h>

#include "fake_platform.h"
#include "settings/settings_path.h"

namespace qlv {
namespace {

using testing_support::FakePlatform;

TEST(SettingsPath, InstanceOption) {
  struct Case { const char* line; const char* id; };
  const Case cases[] = {
      {"\"C:\\Quelvar\\Quelvar.exe\"", ""},
      {"quelvar.exe -INST:3", "3"},
      {"quelvar.exe -inst:12", "1"},
      {"quelvar.exe /inst:a -inst:b", "a"},  // "/inst:" wins wherever it stands
      {"quelvar.exe -inst:b /INST:C", "c"},  // lowered first
      {"quelvar.exe -inst:", ""},
      {"quelvar.exe -inst", ""},
      {"quelvar.exe --inst:7", "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(InstanceFromCommandLine(c.line), c.id) << c.line;
}

SettingsPathInputs Inputs() {
  SettingsPathInputs in;
  in.versionKnown = true;
  in.ntFamily = true;
  in.storeInUsersFolder = 0;
  in.appDataFolder = "C:\\Users\\u\\AppData\\Roaming";
  in.executablePath = "C:\\Program Files\\Quelvar\\Quelvar.exe";
  in.commandLine = "\"C:\\Program Files\\Quelvar\\Quelvar.exe\"";
  in.moduleBaseName = "QPM_QLVGuard";
  return in;
}

TEST(SettingsPath, BesideTheHostWithoutInstance) {
  SettingsLocation loc;
  ASSERT_TRUE(BuildSettingsPath(Inputs(), &loc));
  EXPECT_EQ(loc.instance, "");
  EXPECT_EQ(loc.folder, "C:\\Program Files\\Quelvar\\Plugins\\");
  EXPECT_EQ(loc.baseName, "QPM_QLVGuard");
  EXPECT_EQ(loc.fileName, "QPM_QLVGuard.ini");
  EXPECT_EQ(loc.fullPath, "C:\\Program Files\\Quelvar\\Plugins\\QPM_QLVGuard.ini");
}

TEST(SettingsPath, InstanceFolder) {
  SettingsPathInputs in = Inputs();
  in.commandLine += " -INST:3";
  SettingsLocation loc;
  ASSERT_TRUE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.instance, "3");
  EXPECT_EQ(loc.fullPath, "C:\\Program Files\\Quelvar\\Instances\\3\\Plugins\\QPM_QLVGuard.ini");
}

TEST(SettingsPath, UserFolderOnlyOnNtWithTheValueSet) {
  SettingsPathInputs in = Inputs();
  in.storeInUsersFolder = 1;
  in.commandLine += " /inst:2";
  SettingsLocation loc;
  ASSERT_TRUE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.folder, "C:\\Users\\u\\AppData\\Roaming\\Quelvar\\Instances\\2\\Plugins\\");
  EXPECT_EQ(loc.fullPath, loc.folder + "QPM_QLVGuard.ini");

  in.ntFamily = false;  // Windows 98: the value is ignored
  ASSERT_TRUE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.folder, "C:\\Program Files\\Quelvar\\Instances\\2\\Plugins\\");

  in.ntFamily = true;
  in.storeInUsersFolder = 0;
  ASSERT_TRUE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.folder, "C:\\Program Files\\Quelvar\\Instances\\2\\Plugins\\");
}

TEST(SettingsPath, UnknownPlatformLeavesEveryFieldEmpty) {
  SettingsPathInputs in = Inputs();
  in.versionKnown = false;
  in.commandLine += " -inst:4";
  SettingsLocation loc;
  loc.fullPath = "stale";
  EXPECT_FALSE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.instance, "");
  EXPECT_EQ(loc.folder, "");
  EXPECT_EQ(loc.fileName, "");
  EXPECT_EQ(loc.fullPath, "");
}

TEST(SettingsPath, ExecutableWithoutFolder) {
  SettingsPathInputs in = Inputs();
  in.executablePath = "Quelvar.exe";
  SettingsLocation loc;
  ASSERT_TRUE(BuildSettingsPath(in, &loc));
  EXPECT_EQ(loc.fullPath, "Plugins\\QPM_QLVGuard.ini");
}

}  // namespace
}  // namespace qlv
