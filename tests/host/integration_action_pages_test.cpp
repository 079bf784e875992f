// The record, sound and task pages as a user meets them: switches that change the
// tab images, the repeat button's icons, the record type read from the file,
// sound and task tried by hand, and what the settings file holds afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chooser_driver.h"
#include "dialog_driver.h"
#include "host_session.h"
#include "plugin_files.h"
#include "res/resource.h"
#include "platform/mutex.h"

namespace {

using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::PumpUntil;
using hosttest::WriteBytes;

std::string TaskMark() { return PluginsFolder() + "task_ran.txt"; }

struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() {
    DeleteFileA(IniPath().c_str());
    DeleteFileA(TaskMark().c_str());
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The plug-in's calls of the wave-sound function, taken from its import table.
struct SoundCall {
  std::string file;  // empty for a stop
  UINT flags;
};
qlv::Mutex g_soundMutex;
std::vector<SoundCall> g_sounds;

BOOL WINAPI RecordSound(LPCSTR file, UINT flags) {
  qlv::MutexLock lock(g_soundMutex);
  g_sounds.push_back({file ? file : "", flags});
  return TRUE;
}

std::vector<SoundCall> Sounds() {
  qlv::MutexLock lock(g_soundMutex);
  return g_sounds;
}

// The action pages are the dialog children of the "Event action" tab control, in
// the order record, sound, task.
std::vector<HWND> ActionPages(HWND dialog) {
  std::vector<HWND> pages;
  HWND tab = GetDlgItem(dialog, IDC_ACTION_TAB);
  for (HWND c = GetWindow(tab, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    if (GetClassNameW(c, cls, 16) && lstrcmpW(cls, L"#32770") == 0) pages.push_back(c);
  }
  return pages;
}

POINT CentreOf(HWND window) {
  RECT r = hosttest::ScreenRect(window);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(ActionPages, SwitchesIconsAndTriesByHand) {
  Cleanup cleanup;
  WriteBytes(IniPath(),
             "[PluginSettings]\r\nRecordType=3\r\nRecordEnable=0\r\nSoundEnable=0\r\nSoundRepeatEnable=0\r\n"
             "SoundFileName=C:\\media\\bell.wav\r\nProcessEnable=0\r\nProcessRepeatEnable=0\r\nActionTab=2\r\n");
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  so.windows.visible = true;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  HMODULE module = session.plugin().module;
  ASSERT_NE(hosttest::PatchImport(module, "winmm.dll", "sndPlaySoundA", reinterpret_cast<void*>(&RecordSound)),
            nullptr);
  g_sounds.clear();
  session.Record();
  session.Init();
  ASSERT_EQ(session.Start(hostsim::DefaultStreamFormat()), 1);
  session.ShowSettings(session.windows().mainWindow(), 0);
  HWND dialog = hosttest::WaitForSettingsDialog();
  ASSERT_NE(dialog, nullptr);
  PumpUntil([] { return false; }, 100);
  HWND tab = GetDlgItem(dialog, IDC_ACTION_TAB);
  const std::vector<HWND> pages = ActionPages(dialog);
  ASSERT_EQ(pages.size(), 3u);
  HWND record = pages[0], sound = pages[1], task = pages[2];
  EXPECT_EQ(hosttest::VisiblePages(tab), (std::vector<bool>{false, false, true}));

  // Record: type 3 is not offered, so nothing is selected; choosing replaces it.
  HWND types = GetDlgItem(record, IDC_RECORD_TYPE);
  EXPECT_EQ(hosttest::ComboItems(types),
            (std::vector<std::wstring>{L"Snapshot", L"Snapshot sequences", L"Video recording"}));
  EXPECT_EQ(hosttest::ComboSelection(types), -1);
  SendMessageW(types, CB_SETCURSEL, 1, 0);
  SendMessageW(record, WM_COMMAND, MAKEWPARAM(IDC_RECORD_TYPE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));

  // Task "On/Off" turns the "Task" tab's image on and off again; the others stay.
  EXPECT_EQ(hosttest::TabImage(tab, 2), 0);
  hosttest::ClickButton(task, IDC_TASK_ENABLE);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::TabImage(tab, 2) == 1; }, 3000));
  EXPECT_EQ(hosttest::TabImage(tab, 0), 0);
  EXPECT_EQ(hosttest::TabImage(tab, 1), 0);
  hosttest::ClickButton(task, IDC_TASK_ENABLE);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::TabImage(tab, 2) == 0; }, 3000));

  // With "On/Off" off, a command line typed into the field runs on the run
  // button: the click takes the focus from the field, which stores it first.
  HWND field = GetDlgItem(task, IDC_TASK_FILE);
  ASSERT_TRUE(hosttest::FocusForInput(field));
  const std::string line = "cmd.exe /c echo ran>" + TaskMark();
  SetWindowTextA(field, line.c_str());
  hosttest::ClickAt(CentreOf(GetDlgItem(task, IDC_TASK_RUN)));
  // A new process starts in tens of seconds where Wine runs emulated.
  EXPECT_TRUE(PumpUntil([] { return FileExists(TaskMark()); }, 180000)) << "the typed command line did not run";

  // Sound repeat: each click flips the setting and swaps the icon 5024 <-> 5023.
  HWND repeat = GetDlgItem(sound, IDC_SOUND_REPEAT);
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(repeat), module, IDI_REPEAT_OFF));
  hosttest::ClickButton(sound, IDC_SOUND_REPEAT);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::IconIs(hosttest::ButtonIcon(repeat), module, IDI_REPEAT_ON); }, 3000));
  // Play with "On/Off" off: looping now, since repeat is on; then stop.
  hosttest::ClickButton(sound, IDC_SOUND_PLAY);
  hosttest::ClickButton(sound, IDC_SOUND_REPEAT);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::IconIs(hosttest::ButtonIcon(repeat), module, IDI_REPEAT_OFF); }, 3000));
  hosttest::ClickButton(sound, IDC_SOUND_PLAY);
  hosttest::ClickButton(sound, IDC_SOUND_STOP);
  const std::vector<SoundCall> sounds = Sounds();
  ASSERT_EQ(sounds.size(), 3u);
  EXPECT_EQ(sounds[0].file, "C:\\media\\bell.wav");
  EXPECT_EQ(sounds[0].flags, 0x19u);
  EXPECT_EQ(sounds[1].file, "C:\\media\\bell.wav");
  EXPECT_EQ(sounds[1].flags, 0x11u);
  EXPECT_EQ(sounds[2].file, "");
  EXPECT_EQ(sounds[2].flags, 0u);
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(GetDlgItem(sound, IDC_SOUND_PLAY)), module, IDI_PLAY));
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(GetDlgItem(sound, IDC_SOUND_STOP)), module, IDI_STOP));
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(GetDlgItem(task, IDC_TASK_RESTART)), module, IDI_RESTART_OFF));

  // Sound "On/Off" changes the "Sound" tab's image only; the task ends switched on.
  hosttest::ClickButton(sound, IDC_SOUND_ENABLE);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::TabImage(tab, 1) == 1; }, 3000));
  hosttest::ClickButton(task, IDC_TASK_ENABLE);
  EXPECT_TRUE(PumpUntil([&] { return hosttest::TabImage(tab, 2) == 1; }, 3000));
  EXPECT_EQ(hosttest::TabImage(tab, 0), 0);

  session.Close();
  const std::string ini = ReadFile(IniPath());
  for (const char* entry :
       {"RecordType=1\r\n", "ProcessEnable=1\r\n", "SoundEnable=1\r\n", "SoundRepeatEnable=0\r\n",
        "RecordEnable=0\r\n"})
    EXPECT_NE(ini.find(entry), std::string::npos) << entry;
  EXPECT_NE(ini.find("ProcessFileName=" + line + "\r\n"), std::string::npos);
  session.Shutdown();
}

}  // namespace
