// dialog_shots.exe LANGID: opens the plug-in's settings dialog in the stand-in host,
// with the host answering LANGID to the language question, selects each tab in turn,
// then opens the detector tuning window. Before every picture it prints "shot NAME
// LEFT TOP WIDTH HEIGHT" (the window's screen rectangle) and waits for a line on
// standard input, pumping messages meanwhile, so that a script can grab the screen.
// tools/shots.sh drives it.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_session.h"
#include "plugin_loader.h"
#include "res/resource.h"

namespace {

// Signalled by the reader thread for every line on standard input.
HANDLE g_line = nullptr;

DWORD WINAPI ReadLines(void*) {
  char buf[64];
  while (std::fgets(buf, sizeof buf, stdin)) SetEvent(g_line);
  SetEvent(g_line);  // end of input: do not wait for ever
  return 0;
}

// Pumps until `done` or `ms` milliseconds passed.
template <typename Done>
bool PumpUntil(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    hostsim::HostWindows::PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// Lets everything pending be handled and painted.
void Settle(HWND dialog) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  for (int i = 0; i < 10; ++i) {
    hostsim::HostWindows::PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
  }
  GdiFlush();
}

// As the tab control does when the user clicks an item.
void SelectTab(HWND dialog, int tabId, int index) {
  HWND tab = GetDlgItem(dialog, tabId);
  SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR n = {tab, static_cast<UINT_PTR>(tabId), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(dialog, WM_NOTIFY, static_cast<WPARAM>(tabId), reinterpret_cast<LPARAM>(&n));
}

// The first visible dialog window of this process other than `skip`.
struct DialogSearch {
  HWND skip;
  HWND found;
};

BOOL CALLBACK FindOwnDialog(HWND w, LPARAM lp) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (w == search->skip || pid != GetCurrentProcessId() || lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(w))
    return TRUE;
  search->found = w;
  return FALSE;
}

HWND WaitForOwnDialog(HWND skip) {
  DialogSearch search = {skip, nullptr};
  PumpUntil([&] { return EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&search)), search.found != nullptr; },
            30000);
  return search.found;
}

// Prints the window's rectangle as a "shot" line and waits for the script's answer.
void Shoot(HWND window, const std::string& name) {
  Settle(window);
  RECT r = {};
  GetWindowRect(window, &r);
  std::printf("shot %s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
  HANDLE wait[] = {g_line};
  for (;;) {
    const DWORD w = MsgWaitForMultipleObjects(1, wait, FALSE, INFINITE, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) break;
    hostsim::HostWindows::PumpMessages();
  }
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_shots.exe LANGID PREFIX\n");
    return 2;
  }
  const uint32_t lang = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
  const std::string prefix = argv[2];
  const std::string ini = hostsim::ExecutableFolder() + "Plugins\\QPM_QLVGuard.ini";
  // The first camera watched and shown now, recording on: the dialog as a user sees it at work.
  if (!WriteFile(ini, "[PluginSettings]\r\nDlgWndPosX=8\r\nDlgWndPosY=8\r\nChannelIdx=101\r\nRecordEnable=1\r\n")) {
    std::fprintf(stderr, "dialog_shots: cannot write %s\n", ini.c_str());
    return 1;
  }

  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  so.windows.languageAnswer = lang;
  std::string error;
  if (!session.Open(so, &error) || !session.Record()) {
    std::fprintf(stderr, "dialog_shots: %s\n", error.empty() ? "no plug-in record" : error.c_str());
    DeleteFileA(ini.c_str());
    return 1;
  }
  session.channels().SetChannels({{101, 0, "Camera 1"}, {102, 0, "Camera 2"}, {103, 0, "Entrance"}});
  session.channels().SetSources({{0x10000, 0, "Composite"}});
  session.Init();
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  session.Start(format);
  std::vector<uint8_t> pixels(static_cast<size_t>(format.width) * format.height * 2, 0x80);
  qlv::HostFrame frame = {};
  frame.pixels = pixels.data();
  frame.channel = session.channels().Get(0);
  session.ProcessFrame(frame);

  session.RequestSettings();
  HWND dialog = WaitForOwnDialog(nullptr);
  if (!dialog) {
    std::fprintf(stderr, "dialog_shots: the settings dialog did not open\n");
    session.Shutdown();
    DeleteFileA(ini.c_str());
    return 1;
  }

  g_line = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(CreateThread(nullptr, 0, ReadLines, nullptr, 0, nullptr));
  // Every tab of both controls appears in one picture at least.
  struct Shot {
    const char* name;
    int actionTab;
    int visualTab;
  };
  const Shot shots[] = {{"main", 0, 0}, {"sound_grid", 1, 1}, {"task_areas", 2, 2}, {"preview", 0, 3}, {"record", 0, 4}};
  for (const Shot& s : shots) {
    SelectTab(dialog, IDC_ACTION_TAB, s.actionTab);
    SelectTab(dialog, IDC_VISUAL_TAB, s.visualTab);
    Shoot(dialog, prefix + "_" + s.name);
  }
  // The detector tuning window, opened by its button, at its defaults.
  SendMessageW(GetDlgItem(dialog, IDC_TUNING), BM_CLICK, 0, 0);
  if (HWND tuning = WaitForOwnDialog(dialog)) {
    Shoot(tuning, prefix + "_tuning");
  } else {
    std::fprintf(stderr, "dialog_shots: the tuning window did not open\n");
  }
  std::printf("done\n");
  std::fflush(stdout);
  session.Close();
  session.Shutdown();
  DeleteFileA(ini.c_str());
  return 0;
}
