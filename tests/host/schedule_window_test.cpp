// The schedule window of the real DLL, opened from the settings dialog with a real click:
// a drag with the night brush over the grid, a click with the off brush, a night value
// set after its "as by day" box is cleared, the line saying what holds now, and the
// settings file those lead to; then read back and filled by its buttons.
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
using hosttest::TooltipText;

const int kDayBoxes[] = {IDC_NIGHT_SENSITIVE_DAY,   IDC_NIGHT_FRAME_COUNTER_DAY, IDC_NIGHT_MIN_ALARM_CELLS_DAY,
                         IDC_NIGHT_LIGHT_CHANGE_DAY, IDC_NIGHT_MUTE_BUSY_DAY,     IDC_NIGHT_SCENE_SECONDS_DAY};
const int kNightEdits[] = {IDC_NIGHT_SENSITIVE_EDIT,   IDC_NIGHT_FRAME_COUNTER_EDIT, IDC_NIGHT_MIN_ALARM_CELLS_EDIT,
                           IDC_NIGHT_LIGHT_CHANGE_EDIT, IDC_NIGHT_MUTE_BUSY_EDIT,     IDC_NIGHT_SCENE_SECONDS_EDIT};
const char* const kNightKeys[] = {"NightSensitive",          "NightFrameCounter",    "NightMinAlarmCells",
                                  "NightLightChangePercent", "NightMuteBusyPercent", "NightSceneSeconds"};
const char* const kDayKeys[] = {"ScheduleMon", "ScheduleTue", "ScheduleWed", "ScheduleThu",
                                "ScheduleFri", "ScheduleSat", "ScheduleSun"};

struct CaptionSearch {
  const wchar_t* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectByCaption(HWND w, LPARAM lp) {
  CaptionSearch* s = reinterpret_cast<CaptionSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  // A dialog with the grid: the button's tooltip, shown under the mouse, has the same text.
  if (pid == GetCurrentProcessId() && IsWindowVisible(w) && lstrcmpW(cls, L"#32770") == 0 &&
      GetDlgItem(w, IDC_SCHEDULE_GRID) && hosttest::WindowText(w) == s->caption)
    s->found.push_back(w);
  return TRUE;
}

std::vector<HWND> WindowsCaptioned(const wchar_t* caption) {
  CaptionSearch s{caption, {}};
  EnumWindows(CollectByCaption, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The grid's slots on the screen, measured as the window lays them out: the day names'
// column and the hours' row in the window's font, then whole pixels per half hour and day.
struct ScreenGrid {
  POINT origin;  // the corner of Monday 00:00
  int cellWidth, cellHeight;
  POINT Centre(int day, int slot) const {
    return POINT{origin.x + slot * cellWidth + cellWidth / 2, origin.y + day * cellHeight + cellHeight / 2};
  }
};

ScreenGrid MeasureGrid(HWND window, const std::vector<std::wstring>& dayNames) {
  HWND grid = GetDlgItem(window, IDC_SCHEDULE_GRID);
  RECT r = {};
  GetClientRect(grid, &r);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  LONG labelWidth = 0;
  SIZE size = {};
  for (const std::wstring& name : dayNames) {
    GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
    labelWidth = std::max(labelWidth, size.cx);
  }
  GetTextExtentPoint32W(dc, L"00", 2, &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  const int left = labelWidth + 6, top = size.cy + 2;
  POINT origin = {left, top};
  ClientToScreen(grid, &origin);
  return ScreenGrid{origin, (r.right - left - 1) / 48, (r.bottom - top - 1) / 7};
}

// A real press at `from`, a move to `to` and the release there.
bool Drag(HWND window, POINT from, POINT to) {
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window);
  if (!PumpUntil([&] { return WindowFromPoint(from) == window && WindowFromPoint(to) == window; }, 5000))
    return false;
  SetCursorPos(from.x, from.y);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &in, sizeof in);
  hostsim::HostWindows::PumpMessages();
  // Absolute moves are in 65536ths of the screen.
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((to.x * 65536 + w / 2) / w);
  in.mi.dy = static_cast<LONG>((to.y * 65536 + h / 2) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
  hostsim::HostWindows::PumpMessages();
  in.mi.dx = in.mi.dy = 0;
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
  return PumpUntil([] { return HIWORD(GetQueueStatus(QS_MOUSE)) == 0; }, 5000);
}

class ScheduleWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileA(hosttest::IniPath().c_str()); }
  void TearDown() override {
    session_.Shutdown();
    DeleteFileA(hosttest::IniPath().c_str());
  }

  void OpenHost(uint32_t language = 1033) {
    session_.Shutdown();
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    so.windows.languageAnswer = language;
    std::string error;
    ASSERT_TRUE(session_.Open(so, &error)) << error;
    ASSERT_NE(session_.Record(), nullptr);
    session_.Init();
    qlv::StreamFormat format = hostsim::DefaultStreamFormat();
    format.width = 96;
    format.height = 72;
    ASSERT_EQ(session_.Start(format), 1);
  }

  HWND OpenDialog() {
    session_.RequestSettings();
    HWND d = hosttest::WaitForSettingsDialog();
    EXPECT_NE(d, nullptr) << "no settings dialog";
    return d;
  }

  // A real click on the settings dialog's button; the schedule window once it is shown.
  static HWND PressSchedule(HWND dialog, const wchar_t* caption) {
    EXPECT_TRUE(hosttest::ClickOn(GetDlgItem(dialog, IDC_SCHEDULE)));
    HWND s = nullptr;
    PumpUntil([&] {
      const std::vector<HWND> found = WindowsCaptioned(caption);
      s = found.empty() ? nullptr : found.front();
      return s != nullptr;
    });
    EXPECT_NE(s, nullptr) << "no schedule window";
    return s;
  }

  HMODULE plugin() const { return session_.plugin().module; }

  hostsim::HostSession session_;
};

TEST_F(ScheduleWindowTest, PaintedByDragAndClickNightValueSetAndAllSaved) {
  OpenHost();
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  HWND button = GetDlgItem(d, IDC_SCHEDULE);
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(button), plugin(), IDI_SCHEDULE));
  EXPECT_EQ(TooltipText(d, button), L"Schedule");
  ASSERT_TRUE(WindowsCaptioned(L"Schedule").empty()) << "only the button opens it";

  HWND s = PressSchedule(d, L"Schedule");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(GetWindow(s, GW_OWNER), d);
  EXPECT_EQ(ItemText(s, IDC_SCHEDULE_NOW), L"Now: on, day settings") << "an empty week changes nothing";
  EXPECT_TRUE(hosttest::IsChecked(s, IDC_SCHEDULE_BRUSH_NIGHT)) << "the brush a schedule is mostly painted with";
  // Every night value as by day: the box ticked, the field greyed with the day's value.
  const std::wstring dayValues[] = {ItemText(d, IDC_SENSITIVE_EDIT), ItemText(d, IDC_FRAME_COUNTER_EDIT), L"1", L"0",
                                    L"0", L"0"};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_TRUE(hosttest::IsChecked(s, kDayBoxes[i])) << kNightKeys[i];
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(s, kNightEdits[i]))) << kNightKeys[i];
    EXPECT_EQ(ItemText(s, kNightEdits[i]), dayValues[i]) << kNightKeys[i];
  }

  // Night from Tuesday 22:00 to Thursday 24:00, dragged from the last slot back to the
  // first; then Saturday 12:00 off with a click.
  const ScreenGrid grid = MeasureGrid(s, {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"});
  ASSERT_GE(grid.cellWidth, 4);
  ASSERT_GE(grid.cellHeight, 4);
  ASSERT_TRUE(Drag(s, grid.Centre(3, 47), grid.Centre(1, 44)));
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(s, IDC_SCHEDULE_BRUSH_OFF)));
  EXPECT_TRUE(PumpUntil([&] { return hosttest::IsChecked(s, IDC_SCHEDULE_BRUSH_OFF); }));
  ASSERT_TRUE(hosttest::ClickOn(s, grid.Centre(5, 24))) << "the grid lets the mouse through to its window";
  EXPECT_TRUE(PumpUntil([&] { return ItemText(s, IDC_SCHEDULE_NOW).find(L", until ") != std::wstring::npos; }))
      << hosttest::WindowText(GetDlgItem(s, IDC_SCHEDULE_NOW));

  // The night's sensitivity of its own: the box cleared, the field starts from the day's.
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(s, IDC_NIGHT_SENSITIVE_DAY)));
  EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(GetDlgItem(s, IDC_NIGHT_SENSITIVE_EDIT)) != FALSE; }));
  EXPECT_EQ(ItemText(s, IDC_NIGHT_SENSITIVE_EDIT), dayValues[0]);
  ASSERT_TRUE(hosttest::TypeInto(GetDlgItem(s, IDC_NIGHT_SENSITIVE_EDIT), "14"));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(s, IDC_NIGHT_SENSITIVE_EDIT) == L"14"; }));

  // A second press brings the same window to the front, and no other.
  ASSERT_TRUE(hosttest::FocusForInput(GetDlgItem(d, IDC_SENSITIVE_EDIT)));
  ASSERT_TRUE(hosttest::ClickOn(button));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == s; }));
  EXPECT_EQ(WindowsCaptioned(L"Schedule"), std::vector<HWND>{s});

  // Closing the plug-in destroys both windows and saves the week and the night value.
  session_.Close();
  EXPECT_FALSE(IsWindow(s));
  EXPECT_FALSE(IsWindow(d));
  const std::string night = std::string("111111111111111111111111111111111111111111112222");
  const std::string saturday = std::string("111111111111111111111111011111111111111111111111");
  const char* const saved[] = {"(missing)", night.c_str(), night.c_str(), night.c_str(),
                               "(missing)", saturday.c_str(), "(missing)"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(SavedValue(kDayKeys[i]), saved[i]) << kDayKeys[i];
  EXPECT_EQ(SavedValue("NightSensitive"), "14");
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(SavedValue(kNightKeys[i]), "(missing)") << kNightKeys[i];

  // Read back at the next start; "Clear to on" keeps the nights, the box ticked again
  // unsets the value, and the settings dialog's "OK" closes the window it owns.
  OpenHost();
  d = OpenDialog();
  ASSERT_NE(d, nullptr);
  s = PressSchedule(d, L"Schedule");
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(hosttest::IsChecked(s, IDC_NIGHT_SENSITIVE_DAY));
  EXPECT_EQ(ItemText(s, IDC_NIGHT_SENSITIVE_EDIT), L"14");
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(s, IDC_SCHEDULE_OFF_TO_ON)));
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(s, IDC_NIGHT_SENSITIVE_DAY)));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(GetDlgItem(s, IDC_NIGHT_SENSITIVE_EDIT)); }));
  EXPECT_EQ(ItemText(s, IDC_NIGHT_SENSITIVE_EDIT), dayValues[0]);
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(d, IDC_OK)));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(d) && !IsWindow(s); }));
  session_.Close();
  const char* const kept[] = {"(missing)", night.c_str(), night.c_str(), night.c_str(),
                              "(missing)", "(missing)",   "(missing)"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(SavedValue(kDayKeys[i]), kept[i]) << kDayKeys[i];
  EXPECT_EQ(SavedValue("NightSensitive"), "(missing)");
}

TEST_F(ScheduleWindowTest, RussianTextsCp1251) {
  OpenHost(0x419);
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(TooltipText(d, GetDlgItem(d, IDC_SCHEDULE)), L"Расписание");
  HWND s = PressSchedule(d, L"Расписание");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ItemText(s, IDC_SCHEDULE_NOW), L"Сейчас: включено, дневные настройки");
  EXPECT_EQ(ItemText(s, IDC_SCHEDULE_BRUSH_OFF), L"Выкл");
  EXPECT_EQ(ItemText(s, IDC_SCHEDULE_BRUSH_DAY), L"День");
  EXPECT_EQ(ItemText(s, IDC_SCHEDULE_BRUSH_NIGHT), L"Ночь");
  EXPECT_EQ(ItemText(s, IDC_NIGHT_SENSITIVE_DAY), L"как днём");
  // Sunday all day off, clicked in the row named in Russian.
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(s, IDC_SCHEDULE_BRUSH_OFF)));
  const ScreenGrid grid = MeasureGrid(s, {L"Пн", L"Вт", L"Ср", L"Чт", L"Пт", L"Сб", L"Вс"});
  ASSERT_TRUE(Drag(s, grid.Centre(6, 0), grid.Centre(6, 47)));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(s, IDC_SCHEDULE_NOW).find(L", до ") != std::wstring::npos; }))
      << hosttest::WindowText(GetDlgItem(s, IDC_SCHEDULE_NOW));
  session_.Close();
  EXPECT_EQ(SavedValue("ScheduleSun"), std::string(48, '0'));
}

}  // namespace
