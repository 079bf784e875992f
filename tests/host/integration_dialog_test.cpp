// The settings dialog reached the way a user of the host reaches it: the menu item
// and F2 of the stand-in host, while frames play, with the plug-in's settings file
// read at init and written at close.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "host_session.h"
#include "plugin_files.h"

namespace {

using hosttest::PumpUntil;

const wchar_t kViewingText[] =
    L"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430 \u043F\u043B\u0430\u0433\u0438\u043D\u0430 "
    L"\u0432\u043E\u0437\u043C\u043E\u0436\u043D\u0430 \u0442\u043E\u043B\u044C\u043A\u043E \u0432 "
    L"\u0440\u0435\u0436\u0438\u043C\u0435 \u043D\u0430\u0431\u043B\u044E\u0434\u0435\u043D\u0438\u044F.";

struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() { DeleteFileA(hosttest::IniPath().c_str()); }
};

// The host's settings item: menu "Plug-in", first item.
UINT SettingsMenuItem(HWND main, std::wstring* text) {
  HMENU plugin = GetSubMenu(GetMenu(main), 0);
  wchar_t buf[64] = {};
  GetMenuStringW(plugin, 0, buf, 64, MF_BYPOSITION);
  *text = buf;
  return GetMenuItemID(plugin, 0);
}

// Outside the viewing mode the plug-in refuses with a message box; it shows that each
// way of asking reaches PluginShowSettings once, with the host's main window as parent.
TEST(HostSettingsRequest, MenuItemAndF2AskWithTheMainWindowAsParent) {
  Cleanup cleanup;
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  so.windows.visible = true;
  so.notViewing = 1;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  ASSERT_NE(session.Record(), nullptr);
  session.Init();
  ASSERT_EQ(session.Start(hostsim::DefaultStreamFormat()), 1);
  HWND main = session.windows().mainWindow();

  hosttest::MessageBoxCatcher boxes;
  std::wstring itemText;
  const UINT item = SettingsMenuItem(main, &itemText);
  EXPECT_EQ(itemText, L"&Settings...\tF2");
  ASSERT_EQ(item, hostsim::HostWindows::kSettingsMenuCommand);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(item, 0), 0);
  ASSERT_TRUE(boxes.WaitForCount(1));

  ASSERT_TRUE(hosttest::PressKeys(session.windows().videoWindow(), {VK_F2}));
  ASSERT_TRUE(boxes.WaitForCount(2));
  ASSERT_TRUE(hosttest::PressKeys(main, {VK_F2}));
  ASSERT_TRUE(boxes.WaitForCount(3));
  // A key that is not F2 asks nothing; the F2 after it does.
  ASSERT_TRUE(hosttest::PressKeys(main, {VK_F3, VK_F2}));
  ASSERT_TRUE(boxes.WaitForCount(4));

  const std::vector<hosttest::SeenMessageBox> seen = boxes.boxes();
  ASSERT_EQ(seen.size(), 4u);
  for (const hosttest::SeenMessageBox& s : seen) {
    EXPECT_EQ(s.text, kViewingText);
    EXPECT_EQ(s.owner, main);
  }
  session.Close();
  session.Shutdown();
}

}  // namespace
