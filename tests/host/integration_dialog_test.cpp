// The settings dialog reached the way a user of the host reaches it: the menu item
// and F2 of the stand-in host, while frames play, with the plug-in's settings file
// read at init and written at close.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "dialog_driver.h"
#include "frame_source.h"
#include "host_session.h"
#include "player.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hosttest::BoxFrame;
using hosttest::ItemText;
using hosttest::PumpUntil;
using hosttest::SavedValue;

const wchar_t kViewingText[] =
    L"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430 \u043F\u043B\u0430\u0433\u0438\u043D\u0430 "
    L"\u0432\u043E\u0437\u043C\u043E\u0436\u043D\u0430 \u0442\u043E\u043B\u044C\u043A\u043E \u0432 "
    L"\u0440\u0435\u0436\u0438\u043C\u0435 \u043D\u0430\u0431\u043B\u044E\u0434\u0435\u043D\u0438\u044F.";

std::string MaskPath() { return hosttest::PluginsFolder() + "integration_dialog.msk"; }

struct Cleanup : hosttest::SettingsAndMaskRemoved {
  Cleanup() : SettingsAndMaskRemoved(MaskPath()) {}
};

// Settings with a mask that watches every cell of the 24 x 18 grid.
void WriteSettingsWatchingEveryCell(const std::string& lines) {
    hosttest::WriteMask(MaskPath());
  hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() + "\r\n" + lines);
}

constexpr int32_t kWidth = 96, kHeight = 72;

// A host with visible windows, the plug-in initialised and, unless `start` is false,
// started on 96 x 72 frames.
void OpenHost(hostsim::HostSession* session, uint32_t languageAnswer = 1033, bool start = true) {
  hostsim::HostSessionOptions so;
  so.windows.visible = true;
  so.windows.languageAnswer = languageAnswer;
  std::string error;
  ASSERT_TRUE(session->Open(so, &error)) << error;
  ASSERT_NE(session->Record(), nullptr);
  session->Init();
  if (!start) return;
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = kWidth;
  format.height = kHeight;
  ASSERT_EQ(session->Start(format), 1);
}

// The menu item, as a click on it would send it.
void ChooseSettingsItem(HWND main) {
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(hostsim::HostWindows::kSettingsMenuCommand, 0), 0);
}

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

// Frames play on the host's frame thread while the user opens the dialog from the menu
// and closes it with "OK". Opening stops the running recording; the alarms while it is
// open start nothing although every frame is still processed; after it the next alarm
// records again.
TEST(DialogInHost, OpeningWhileVideoPlaysStopsTheRecordingAndHoldsBackAlarms) {
  Cleanup cleanup;
  WriteSettingsWatchingEveryCell("ChannelIdx=101\r\nRecordEnable=1\r\nRecordType=2\r\nDuration=60\r\n");
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenHost(&session, 1033, false));
  session.channels().SetChannels({{101, 0, "Camera"}});
  HWND main = session.windows().mainWindow();

  // The box jumps at 32, every 10 frames from 50 to 100 (dialog open), and at 140.
  std::FILE* input = std::tmpfile();
  ASSERT_NE(input, nullptr);
  for (int i = 0; i < 150; ++i) {
    int32_t x = i >= 32 ? 40 : 0;
    if (i >= 50 && i < 110) x = (i / 10) % 2 ? 40 : 0;
    if (i >= 110) x = 0;
    if (i >= 140) x = 40;
    const std::vector<uint8_t> frame = BoxFrame(x);
    std::fwrite(frame.data(), 1, frame.size(), input);
  }
  std::rewind(input);
  hostsim::FrameLayout layout;
  layout.width = kWidth;
  layout.height = kHeight;
  layout.format = 0;
  hostsim::FrameSource source(input, layout);

  // The user's actions come from the frame thread, between frames, as posted input would.
  HWND dialogOwner = nullptr;
  bool dialogSeenOpen = false;
  hostsim::Player player(*session.Record(), session.windows(), [&](int64_t i) {
    if (i == 40) ChooseSettingsItem(main);
    if (i == 110) {
      HWND d = FindWindowW(L"#32770", hosttest::kSettingsCaptionEnglish);
      dialogSeenOpen = d && IsWindowVisible(d);
      if (d) {
        dialogOwner = GetWindow(d, GW_OWNER);
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_OK)));
      }
    }
    return session.channels().Get(0);
  });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  const hostsim::PlayerResult result = player.Play(source, pc, hostsim::PlayerOutputs());
  std::fclose(input);
  EXPECT_EQ(hosttest::FindSettingsDialog(), nullptr) << "OK closed the dialog";

  EXPECT_TRUE(dialogSeenOpen);
  EXPECT_EQ(dialogOwner, main);
  EXPECT_EQ(result.frames, 150);
  EXPECT_EQ(result.processed, 120) << "the frames after the warm-up, the dialog's time included";
  const std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].code, qlv::kCmdRecordStart);
  EXPECT_EQ(log[0].frameIndex, 32);
  EXPECT_EQ(log[1].code, qlv::kCmdRecordStop);
  EXPECT_GE(log[1].frameIndex, 40);
  EXPECT_LE(log[1].frameIndex, 41);
  EXPECT_EQ(log[2].code, qlv::kCmdRecordStart);
  EXPECT_EQ(log[2].frameIndex, 140);
  session.Close();
  session.Shutdown();
}

// F2 opens the dialog; F2 again, with the focus back in the video window, brings the
// same dialog forward and flashes its caption four times, 60 ms apart.
TEST(DialogInHost, SecondRequestFocusesAndFlashesTheOneDialog) {
  Cleanup cleanup;
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenHost(&session));
  HWND video = session.windows().videoWindow();
  ASSERT_TRUE(hosttest::PressKeys(video, {VK_F2}));
  HWND d = hosttest::WaitForSettingsDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(GetWindow(d, GW_OWNER), session.windows().mainWindow());

  hosttest::CaptionActivationCounter flashes(d);
  ASSERT_TRUE(hosttest::PressKeys(video, {VK_F2}));
  ASSERT_TRUE(PumpUntil([&] { return flashes.seen().size() >= 4 && GetActiveWindow() == d; }));
  EXPECT_EQ(hosttest::SettingsDialogs(), std::vector<HWND>{d}) << "one dialog, the same window";
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == d || IsChild(d, focus));
  // Activation may come first; the last four are the flash: inactive and active in
  // turn, each after a pause of 60 ms (a tick count of some milliseconds' grain).
  const std::vector<hosttest::CaptionActivationCounter::Seen>& seen = flashes.seen();
  ASSERT_GE(seen.size(), 4u);
  const size_t first = seen.size() - 4;
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(seen[first + i].active, i % 2 == 1) << "toggle " << i;
  for (size_t i = 1; i < 4; ++i) EXPECT_GE(seen[first + i].tick - seen[first + i - 1].tick, 55u) << "toggle " << i;
  session.Close();
  session.Shutdown();
}

// Values changed with real keys and clicks are shown again at the next opening and
// saved when the plug-in closes, the dialog still open.
TEST(DialogInHost, ValuesChangedInTheDialogAreInTheFileAfterClose) {
  Cleanup cleanup;
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenHost(&session));
  session.channels().SetChannels({{101, 0, "First"}, {102, 0, "Second"}, {103, 1, "Third"}});
  session.channels().SetSources({{0x10000, 0, "Composite"}});
  HWND main = session.windows().mainWindow();
  ChooseSettingsItem(main);
  HWND d = hosttest::WaitForSettingsDialog();
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ItemText(d, IDC_SENSITIVE_EDIT) == L"10"; }));

  ASSERT_TRUE(hosttest::TypeInto(GetDlgItem(d, IDC_SENSITIVE_EDIT), "3"));
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(d, IDC_FRAME_COUNTER_EDIT), {VK_UP, VK_UP}));
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(d, IDC_CHANNEL_LIST), {VK_END}));
  for (int box : {IDC_CONTROL_Y, IDC_CONTROL_R, IDC_CONTROL_B}) ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(d, box)));
  HWND visual = GetDlgItem(d, IDC_VISUAL_TAB);
  ASSERT_TRUE(hosttest::ClickOn(visual, hosttest::TabItemCentre(visual, 2)));
  ASSERT_TRUE(PumpUntil([&] {
    return ItemText(d, IDC_SENSITIVE_EDIT) == L"3" && ItemText(d, IDC_FRAME_COUNTER_EDIT) == L"3" &&
           hosttest::IsChecked(d, IDC_CONTROL_B) && hosttest::TabSelection(visual) == 2;
  }));
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(d, IDC_OK)));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(d); }));

  ASSERT_TRUE(hosttest::PressKeys(session.windows().videoWindow(), {VK_F2}));
  d = hosttest::WaitForSettingsDialog();
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return hosttest::TabSelection(GetDlgItem(d, IDC_VISUAL_TAB)) == 2; }));
  EXPECT_EQ(ItemText(d, IDC_SENSITIVE_EDIT), L"3");
  EXPECT_EQ(ItemText(d, IDC_FRAME_COUNTER_EDIT), L"3");
  EXPECT_EQ(ItemText(d, IDC_DURATION_EDIT), L"10");
  EXPECT_EQ(hosttest::ComboSelection(GetDlgItem(d, IDC_CHANNEL_LIST)), 4);
  EXPECT_TRUE(hosttest::IsChecked(d, IDC_CONTROL_R));
  EXPECT_FALSE(hosttest::IsChecked(d, IDC_CONTROL_G));
  EXPECT_TRUE(hosttest::IsChecked(d, IDC_CONTROL_B));
  EXPECT_FALSE(hosttest::IsChecked(d, IDC_CONTROL_Y));
  SetWindowPos(d, nullptr, 61, 33, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  session.Close();
  EXPECT_FALSE(IsWindow(d));

  const std::pair<const char*, const char*> saved[] = {
      {"DlgWndPosX", "61"}, {"DlgWndPosY", "33"},  {"ChannelIdx", "4294967399"}, {"Sensitive", "3"},
      {"FrameCounter", "3"}, {"Duration", "10"},   {"ControlY", "0"},            {"ControlR", "1"},
      {"ControlG", "0"},     {"ControlB", "1"},    {"ActionTab", "0"},           {"VisualTab", "2"}};
  for (const auto& kv : saved) EXPECT_EQ(SavedValue(kv.first), kv.second) << kv.first;
  session.Shutdown();
}

// Texts of the dialog's group boxes and buttons, in the order of the template.
std::vector<std::wstring> ButtonTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    const std::wstring text = hosttest::WindowText(c);
    if (lstrcmpiW(cls, L"Button") == 0 && !text.empty()) texts.push_back(text);
  }
  return texts;
}

// hostsim.exe itself, started with --settings --lang 0x419 on a Russian system, shows
// the Russian dialog and keeps it until its main window is closed; with the host
// answering 1033 the same system gets the English dialog.
TEST(DialogInHost, HostLanguageChoosesTheDialogsLanguageCp1251) {
  ASSERT_EQ(GetACP(), 1251u) << "run with LANG=ru_RU.UTF-8";
  Cleanup cleanup;
  hosttest::ChildProcess host;
  ASSERT_TRUE(host.Start(hostsim::ExecutableFolder() + "hostsim.exe", "--settings --lang 0x419", true));

  HWND d = nullptr;
  // Visible: created, initialised and shown.
  ASSERT_TRUE(PumpUntil(
      [&] { return (d = FindWindowW(L"#32770", hosttest::kSettingsCaptionRussian)) != nullptr && IsWindowVisible(d); },
      60000));
  DWORD pid = 0;
  GetWindowThreadProcessId(d, &pid);
  EXPECT_EQ(pid, host.id());
  HWND owner = GetWindow(d, GW_OWNER);
  EXPECT_EQ(owner, FindWindowA("TMain", "Quelvar"));
  EXPECT_EQ(hosttest::WindowText(d), hosttest::kSettingsCaptionRussian);
  EXPECT_EQ(ButtonTexts(d), (std::vector<std::wstring>{
                                L"\u041A\u0430\u043D\u0430\u043B",  // Канал
                                L"\u041C\u0430\u0441\u043A\u0430",  // Маска
                                L"\u0414\u0435\u0442\u0435\u043A\u0442\u043E\u0440 \u0434\u0432\u0438\u0436\u0435\u043D\u0438\u044F",
                                L"R", L"G", L"B", L"Y",
                                L"\u0420\u0435\u0430\u043A\u0446\u0438\u044F \u043D\u0430 \u0441\u043E\u0431\u044B\u0442\u0438\u0435",
                                L"\u041E\u0442\u043E\u0431\u0440\u0430\u0436\u0435\u043D\u0438\u0435",
                                L"\u041E \u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0435", L"OK"}));
  wchar_t item[64] = {};
  SendMessageW(GetDlgItem(d, IDC_CHANNEL_LIST), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, L"\u041A\u0430\u043D\u0430\u043B \u043D\u0435 \u0432\u044B\u0431\u0440\u0430\u043D");

  // Closing the host's main window ends hostsim, which closes the plug-in first.
  PostMessageW(owner, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return host.Ended(); }, 60000));
  DWORD code = 99;
  EXPECT_TRUE(host.Wait(0, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(SavedValue("DlgWndPosX"), "0") << "centred on the small main window, clamped at 0";
  EXPECT_EQ(SavedValue("DlgWndPosY"), "0");

  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenHost(&session, 1033));
  session.RequestSettings();
  d = hosttest::WaitForSettingsDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(hosttest::WindowText(d), hosttest::kSettingsCaptionEnglish);
  EXPECT_EQ(hosttest::TabTexts(GetDlgItem(d, IDC_ACTION_TAB)), (std::vector<std::wstring>{L"Record", L"Sound", L"Task"}));
  EXPECT_EQ(hosttest::ComboItems(GetDlgItem(d, IDC_CHANNEL_LIST)).at(0), L"Channel not selected");
  session.Shutdown();

  ASSERT_NO_FATAL_FAILURE(OpenHost(&session, 0x419));
  session.RequestSettings();
  d = hosttest::WaitForSettingsDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(hosttest::TabTexts(GetDlgItem(d, IDC_ACTION_TAB)),
            (std::vector<std::wstring>{L"\u0417\u0430\u043F\u0438\u0441\u044C", L"\u0417\u0432\u0443\u043A",
                                       L"\u041F\u0440\u043E\u0446\u0435\u0441\u0441"}));
  session.Shutdown();
}

}  // namespace
