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

// A window on a thread that pumps nothing until released: the query gives up
// with no answer; once the thread pumps again, the answer comes through.
struct HungWindow {
  HWND window = nullptr;
  HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};
const char kHungClass[] = "QlvSendTimeoutTest";

LRESULT CALLBACK HungWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 200) return 0x00040007;
  return DefWindowProcA(w, m, wp, lp);
}

DWORD WINAPI HungWindowThread(void* p) {
  HungWindow& c = *static_cast<HungWindow*>(p);
  c.window = CreateWindowExA(0, kHungClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetEvent(c.created);
  WaitForSingleObject(c.release, INFINITE);  // hung: nothing is pumped
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

TEST(Win32Platform, SendGivesUpOnAWindowThatDoesNotAnswer) {
  HungWindow ctx;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HungWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kHungClass;
  RegisterClassA(&wc);
  HANDLE thread = CreateThread(nullptr, 0, HungWindowThread, &ctx, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(ctx.created, 30000), WAIT_OBJECT_0);
  ASSERT_NE(ctx.window, nullptr);
  Win32Platform p;
  const WindowHandle w = reinterpret_cast<WindowHandle>(ctx.window);
  EXPECT_EQ(p.SendMessageTo(w, WM_USER + 200, 1309, 0), 0) << "no answer while the thread is hung";
  SetEvent(ctx.release);
  EXPECT_EQ(p.SendMessageTo(w, WM_USER + 200, 1309, 0), 0x00040007);
  PostMessageA(ctx.window, WM_QUIT, 0, 0);
  WaitForSingleObject(thread, 30000);
  CloseHandle(thread);
  CloseHandle(ctx.created);
  CloseHandle(ctx.release);
}

}  // namespace
}  // namespace qlv
