#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform_win32.h"
#include "plugin/actions.h"

namespace qlv {
namespace {

std::string TempFolder() {
  char buf[MAX_PATH + 1] = {0};
  GetTempPathA(MAX_PATH, buf);
  return buf;
}

TEST(Win32Platform, FileExistsAndQuoting) {
  Win32Platform p;
  const std::string dir = TempFolder() + "qlv platform test";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string file = dir + "\\alarm task.exe";
  std::FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(p.FileExists(file));
  EXPECT_FALSE(p.FileExists(dir));  // a folder is not a file
  EXPECT_FALSE(p.FileExists(file + ".missing"));
  EXPECT_EQ(QuoteCommandLine(p, file), "\"" + file + "\"");
  EXPECT_EQ(QuoteCommandLine(p, file + " -x"), file + " -x");
  DeleteFileA(file.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST(Win32Platform, MissingWindowsAndProgramsFailQuietly) {
  Win32Platform p;
  p.PostMessageTo(0, 1224, 1294, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 1224, 1224, PM_REMOVE));  // nothing posted to our own queue
  EXPECT_EQ(p.SendMessageTo(0, 1224, 1309, 0), 0);
  EXPECT_EQ(p.FindTopWindow("TMain", "Quelvar.Inst#"), 0u);
  EXPECT_EQ(p.FindChildWindow(0, "ActiveMovie Window"), 0u);
  ProcessInfo pi;
  pi.hProcess = 5;
  EXPECT_FALSE(p.StartProcess("Z:\\no\\such\\program-qlv.exe", &pi));
  EXPECT_EQ(pi.hProcess, 0u);
  EXPECT_EQ(pi.hThread, 0u);
  // The system's tick count: read between two readings of our own.
  const uint32_t before = GetTickCount();
  const uint32_t t = p.TickCount();
  const uint32_t after = GetTickCount();
  EXPECT_LE(t - before, after - before);
}

}  // namespace
}  // namespace qlv
