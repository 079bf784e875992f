// The settings dialog of the real DLL, driven through its controls with real keys
// and clicks: where it opens, the channel list and button, the number fields'
// refusals, the keys that must not close it, and the action tabs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "host_session.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hosttest::ItemText;
using hosttest::PumpUntil;
using hosttest::SavedValue;

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveFiles(); }
  void TearDown() override {
    session_.Shutdown();
    RemoveFiles();
  }
  static void RemoveFiles() { DeleteFileA(hosttest::IniPath().c_str()); }

  // A host with visible windows and the plug-in initialised from `ini` (none when
  // empty) and started on 96 x 72 frames.
  void OpenHost(const std::string& ini, const std::vector<hostsim::ChannelSpec>& channels = {},
                const std::vector<hostsim::ChannelSpec>& sources = {}) {
    session_.Shutdown();
    RemoveFiles();
    if (!ini.empty()) hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\n" + ini);
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    std::string error;
    ASSERT_TRUE(session_.Open(so, &error)) << error;
    if (!channels.empty()) session_.channels().SetChannels(channels);
    if (!sources.empty()) session_.channels().SetSources(sources);
    ASSERT_NE(session_.Record(), nullptr);
    session_.Init();
    qlv::StreamFormat format = hostsim::DefaultStreamFormat();
    format.width = 96;
    format.height = 72;
    ASSERT_EQ(session_.Start(format), 1);
  }

  // One grey frame showing the channel at `index`.
  void ShowChannel(int32_t index) {
    std::vector<uint8_t> pixels(96 * 72 * 2, 100);
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session_.channels().Get(index);
    session_.ProcessFrame(frame);
  }

  // As the host's menu item does; null when no dialog came.
  HWND OpenDialog() {
    session_.RequestSettings();
    HWND d = hosttest::WaitForSettingsDialog();
    EXPECT_NE(d, nullptr) << "no settings dialog";
    return d;
  }

  // "OK" with a real click; true once the window is gone.
  static bool CloseWithOk(HWND d) {
    return hosttest::ClickOn(GetDlgItem(d, IDC_OK)) && PumpUntil([&] { return !IsWindow(d); });
  }

  HMODULE plugin() const { return session_.plugin().module; }

  hostsim::HostSession session_;
};

POINT TopLeft(HWND w) {
  const RECT r = hosttest::ScreenRect(w);
  return {r.left, r.top};
}

// Where the centring rule puts a dialog of size `d` on the window `host`, before the
// negative coordinates become 0 (the dialog is created at a non-negative place).
POINT CentredOn(HWND host, const RECT& d) {
  const RECT h = hosttest::ScreenRect(host);
  return {(h.left + h.right) / 2 - (d.right - d.left) / 2, (h.top + h.bottom) / 2 - (d.bottom - d.top) / 2};
}

TEST_F(SettingsDialogTest, OpensCentredOnTheHostOrWhereItWasLeftOrStored) {
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  auto hostAt = [&](HWND main) { SetWindowPos(main, nullptr, 100, 60, 420, 300, SWP_NOZORDER | SWP_NOACTIVATE); };

  // First opening with the defaults (-100, -100): centred on the host window; the
  // top would be negative and becomes 0.
  OpenHost("");
  HWND main = session_.windows().mainWindow();
  hostAt(main);
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(GetWindow(d, GW_OWNER), main);
  const POINT centre = CentredOn(main, hosttest::ScreenRect(d));
  ASSERT_GT(centre.x, 0);
  ASSERT_LT(centre.y, 0) << "the case needs a dialog taller than the host window";
  EXPECT_EQ(TopLeft(d).x, centre.x);
  EXPECT_EQ(TopLeft(d).y, 0);

  // The user moves it; closing and opening again puts it back there, and the close
  // of the plug-in saves the place.
  SetWindowPos(d, nullptr, 37, 21, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(CloseWithOk(d));
  d = OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(TopLeft(d).x, 37);
  EXPECT_EQ(TopLeft(d).y, 21);
  session_.Close();
  EXPECT_FALSE(IsWindow(d)) << "PluginClose destroys the dialog";
  EXPECT_EQ(SavedValue("DlgWndPosX"), "37");
  EXPECT_EQ(SavedValue("DlgWndPosY"), "21");

  struct Stored {
    int x, y;
    bool centred;
  };
  const Stored cases[] = {
      {-50, 10, false},               // off the left edge: used unchanged
      {screenW - 1, -5, false},       // the last column on the screen
      {screenW, 10, true},            // beyond the right edge
      {10, screenH, true},            // beyond the bottom edge
  };
  for (const Stored& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored (" << c.x << ", " << c.y << ")");
    OpenHost("DlgWndPosX=" + std::to_string(c.x) + "\r\nDlgWndPosY=" + std::to_string(c.y) + "\r\n");
    main = session_.windows().mainWindow();
    hostAt(main);
    d = OpenDialog();
    ASSERT_NE(d, nullptr);
    const POINT expected = c.centred ? CentredOn(main, hosttest::ScreenRect(d)) : POINT{c.x, c.y};
    EXPECT_EQ(TopLeft(d).x, c.centred ? std::max<LONG>(expected.x, 0) : expected.x);
    EXPECT_EQ(TopLeft(d).y, c.centred ? std::max<LONG>(expected.y, 0) : expected.y);
  }
}

// Three channels and two other sources; the host shows the second channel.
TEST_F(SettingsDialogTest, ChannelListAndTheButtonForTheChannelShownNow) {
  OpenHost("ChannelIdx=4294967399\r\n",  // (103, 1): the third channel
           {{101, 0, "First"}, {102, 0, "Second"}, {103, 1, "Third"}},
           {{0x10000, 0, "Composite"}, {0x10001, 0, "S-Video"}});
  ShowChannel(1);
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  HWND list = GetDlgItem(d, IDC_CHANNEL_LIST);
  HWND button = GetDlgItem(d, IDC_CHANNEL_BUTTON);
  ASSERT_NE(hosttest::IconPixels(plugin(), IDI_CHANNEL_OTHER, 32), hosttest::IconPixels(plugin(), IDI_CHANNEL_CURRENT, 32))
      << "the two channel icons must be told apart";
  auto shows = [&](int icon) { return hosttest::IconIs(hosttest::ButtonIcon(button), plugin(), icon); };

  EXPECT_EQ(hosttest::ComboItems(list), (std::vector<std::wstring>{L"Channel not selected", L"Composite", L"S-Video",
                                                                   L"1 - First", L"2 - Second", L"3 - Third"}));
  EXPECT_EQ(hosttest::ComboValues(list), (std::vector<LRESULT>{-1, -2, -3, 0, 1, 2}));
  EXPECT_EQ(hosttest::ComboSelection(list), 5);
  EXPECT_TRUE(PumpUntil([&] { return ItemText(d, IDC_CURRENT_CHANNEL) == L"Second"; }))
      << "shows " << testing::PrintToString(ItemText(d, IDC_CURRENT_CHANNEL));
  EXPECT_TRUE(PumpUntil([&] { return shows(IDI_CHANNEL_OTHER); }));

  // The button makes the channel shown now the watched one, and again clears the choice.
  hosttest::ClickButton(d, IDC_CHANNEL_BUTTON);
  EXPECT_EQ(hosttest::ComboSelection(list), 4);
  EXPECT_TRUE(PumpUntil([&] { return shows(IDI_CHANNEL_CURRENT); }));
  hosttest::ClickButton(d, IDC_CHANNEL_BUTTON);
  EXPECT_EQ(hosttest::ComboSelection(list), 0);
  EXPECT_TRUE(PumpUntil([&] { return shows(IDI_CHANNEL_OTHER); }));

  // Choosing in the list with the keyboard: the first source.
  ASSERT_TRUE(hosttest::PressKeys(list, {VK_DOWN}));
  EXPECT_TRUE(PumpUntil([&] { return hosttest::ComboSelection(list) == 1; }));
  ASSERT_TRUE(CloseWithOk(d));
  session_.Close();
  EXPECT_EQ(SavedValue("ChannelIdx"), "65536");

  // The host's list shrinks while the dialog is open: the item of a channel that is
  // gone counts as "Channel not selected".
  OpenHost("ChannelIdx=101\r\n", {{101, 0, "First"}, {102, 0, "Second"}, {103, 1, "Third"}},
           {{0x10000, 0, "Composite"}});
  d = OpenDialog();
  ASSERT_NE(d, nullptr);
  list = GetDlgItem(d, IDC_CHANNEL_LIST);
  ASSERT_EQ(hosttest::ComboItems(list).size(), 5u);
  EXPECT_EQ(hosttest::ComboSelection(list), 2);
  session_.channels().SetChannels({{101, 0, "First"}});
  ASSERT_TRUE(hosttest::PressKeys(list, {VK_END}));
  EXPECT_TRUE(PumpUntil([&] { return hosttest::ComboSelection(list) == 4; }));
  session_.Close();
  EXPECT_EQ(SavedValue("ChannelIdx"), "0");
}

// Each refusal shows its message once, owned by the dialog, and puts the last valid
// value back; Enter and Escape leave the dialog open; the arrows stop at the range.
TEST_F(SettingsDialogTest, NumberFieldsRefuseOutOfRangeAndKeysDoNotCloseTheDialog) {
  OpenHost("");
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ItemText(d, IDC_SENSITIVE_EDIT) == L"10"; }));
  EXPECT_EQ(ItemText(d, IDC_FRAME_COUNTER_EDIT), L"1");
  EXPECT_EQ(ItemText(d, IDC_DURATION_EDIT), L"10");

  const std::wstring sensitivity = L"Sensitivity value should be a number from 0 to 16";
  const std::wstring frames = L"Value of the frame counter should be a number from 1 to 25";
  const std::wstring duration = L"Duration time value should be a number from 5 to 60";
  hosttest::MessageBoxCatcher boxes;
  // Whole texts at once, as pasted: out of range, empty, not a number, beyond 2^32
  // (also one that would wrap to a valid 10), a thousand digits.
  const std::wstring pasted[] = {L"17", L"", L"12a", L"99999999999", L"4294967306", std::wstring(1000, L'7')};
  for (const std::wstring& text : pasted) {
    SCOPED_TRACE(testing::Message() << "Sensitivity " << testing::PrintToString(text.substr(0, 12)));
    const size_t before = boxes.count();
    hosttest::SetItemText(d, IDC_SENSITIVE_EDIT, text);
    EXPECT_TRUE(boxes.WaitForCount(before + 1));
    EXPECT_EQ(ItemText(d, IDC_SENSITIVE_EDIT), L"10");
  }
  // Typed key by key: every keystroke is checked.
  HWND frameEdit = GetDlgItem(d, IDC_FRAME_COUNTER_EDIT);
  ASSERT_TRUE(hosttest::TypeInto(frameEdit, "0"));
  EXPECT_TRUE(boxes.WaitForCount(7));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(d, IDC_FRAME_COUNTER_EDIT) == L"1"; }));
  HWND durationEdit = GetDlgItem(d, IDC_DURATION_EDIT);
  ASSERT_TRUE(hosttest::TypeInto(durationEdit, "75"));  // "7" is taken, "75" refused
  EXPECT_TRUE(boxes.WaitForCount(8));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(d, IDC_DURATION_EDIT) == L"7"; }));
  ASSERT_TRUE(hosttest::TypeInto(durationEdit, "60"));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(d, IDC_DURATION_EDIT) == L"60"; }));

  // Enter and Escape in a field, then a digit: once the digit is in, the keys before
  // it have been handled too.
  HWND sensitiveEdit = GetDlgItem(d, IDC_SENSITIVE_EDIT);
  ASSERT_TRUE(hosttest::PressKeys(sensitiveEdit, {VK_RETURN, VK_ESCAPE}));
  ASSERT_TRUE(hosttest::TypeInto(sensitiveEdit, "5"));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(d) || ItemText(d, IDC_SENSITIVE_EDIT) == L"5"; }));
  ASSERT_TRUE(IsWindow(d)) << "Enter or Escape closed the dialog";
  EXPECT_TRUE(IsWindowVisible(d));
  // The arrow keys step the up-down control and stop at the range's end.
  ASSERT_TRUE(hosttest::PressKeys(sensitiveEdit, std::vector<WORD>(14, VK_UP)));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(d, IDC_SENSITIVE_EDIT) == L"16"; }));

  ASSERT_TRUE(CloseWithOk(d));
  const std::vector<hosttest::SeenMessageBox> seen = boxes.boxes();
  ASSERT_EQ(seen.size(), 8u) << "each refusal shows one message";
  const std::wstring expected[] = {sensitivity, sensitivity, sensitivity, sensitivity,
                                   sensitivity, sensitivity, frames,      duration};
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].text, expected[i]) << "message " << i;
    EXPECT_EQ(seen[i].owner, d) << "message " << i;
    EXPECT_TRUE(seen[i].okButton);
    EXPECT_FALSE(seen[i].cancelButton);
  }
  session_.Close();
  EXPECT_EQ(SavedValue("Sensitive"), "16");
  EXPECT_EQ(SavedValue("FrameCounter"), "1");
  EXPECT_EQ(SavedValue("Duration"), "60");
}

// Where a page must sit: the tab control's display area, two pixels wider to the left.
RECT ExpectedPageRect(HWND tab) {
  RECT r = {};
  GetClientRect(tab, &r);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  r.left -= 2;
  return r;
}

RECT PageRect(HWND tab, size_t index) {
  size_t i = 0;
  for (HWND c = GetWindow(tab, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0) continue;
    if (i++ == index) {
      RECT r = hosttest::ScreenRect(c);
      MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&r), 2);
      return r;
    }
  }
  return RECT{-1, -1, -1, -1};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(SettingsDialogTest, TabsFollowTheStoredChoiceAndTheActionTabImages) {
  // The stored channel is not in the host's list.
  OpenHost("RecordEnable=1\r\nSoundEnable=0\r\nProcessEnable=0\r\nActionTab=2\r\nVisualTab=3\r\nChannelIdx=999\r\n");
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(hosttest::ComboSelection(GetDlgItem(d, IDC_CHANNEL_LIST)), 0) << "shown as not selected";
  HWND actions = GetDlgItem(d, IDC_ACTION_TAB);
  HWND visual = GetDlgItem(d, IDC_VISUAL_TAB);
  EXPECT_EQ(hosttest::TabTexts(actions), (std::vector<std::wstring>{L"Record", L"Sound", L"Task"}));
  EXPECT_EQ(hosttest::TabTexts(visual), (std::vector<std::wstring>{L"Data/Time", L"Grid", L"Active areas",
                                                                   L"Preview/Snapshot", L"Record"}));
  EXPECT_TRUE(PumpUntil([&] { return hosttest::TabImage(actions, 0) == 1; })) << "the Record tab's on image";
  EXPECT_EQ(hosttest::TabImage(actions, 1), 0);
  EXPECT_EQ(hosttest::TabImage(actions, 2), 0);
  EXPECT_EQ(hosttest::TabSelection(actions), 2);
  EXPECT_EQ(hosttest::TabSelection(visual), 3);
  EXPECT_EQ(hosttest::VisiblePages(actions), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(hosttest::VisiblePages(visual), (std::vector<bool>{false, false, false, true, false}));
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(SameRect(PageRect(actions, i), ExpectedPageRect(actions))) << "page " << i;
  for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(SameRect(PageRect(visual, i), ExpectedPageRect(visual))) << "page " << i;

  // A click on a tab shows its page and is remembered.
  ASSERT_TRUE(hosttest::ClickOn(actions, hosttest::TabItemCentre(actions, 0)));
  EXPECT_TRUE(PumpUntil([&] { return hosttest::VisiblePages(actions) == std::vector<bool>{true, false, false}; }));
  EXPECT_EQ(hosttest::TabSelection(actions), 0);
  ASSERT_TRUE(hosttest::ClickOn(visual, hosttest::TabItemCentre(visual, 1)));
  EXPECT_TRUE(PumpUntil([&] {
    return hosttest::VisiblePages(visual) == std::vector<bool>{false, true, false, false, false};
  }));
  EXPECT_EQ(hosttest::TabImage(actions, 0), 1) << "the images stay";
  session_.Close();
  EXPECT_EQ(SavedValue("ActionTab"), "0");
  EXPECT_EQ(SavedValue("VisualTab"), "1");
  EXPECT_EQ(SavedValue("ChannelIdx"), "999") << "kept until the user chooses";
}

}  // namespace
