// dialog_shots.exe LANGID PREFIX [NAMES]: opens the plug-in's settings dialog in the stand-in host,
// with the host answering LANGID to the language question, selects each tab in turn,
// then opens the detector tuning window and takes it through its runs on a made-up
// scene fed at 25 frames a second, and through its Intruders group to a covered lens. Before every picture it prints "shot NAME LEFT TOP
// WIDTH HEIGHT" (the window's screen rectangle), or "frame NAME WIDTH HEIGHT FILE" for
// a YUY2 video frame it wrote, and waits for a line on standard input, pumping messages
// meanwhile, so that a script can grab the screen or convert the frame. Last, the schedule
// window with an example week painted on it. NAMES, a comma-separated list ("main,schedule"),
// takes only those pictures; "tuning" stands for all of the tuning window's.
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

// Waits for the script's line, pumping messages.
void WaitForNext() {
  HANDLE wait[] = {g_line};
  for (;;) {
    const DWORD w = MsgWaitForMultipleObjects(1, wait, FALSE, INFINITE, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0) break;
    hostsim::HostWindows::PumpMessages();
  }
}

// Prints the window's rectangle as a "shot" line and waits for the script's answer.
void Shoot(HWND window, const std::string& name) {
  Settle(window);
  RECT r = {};
  GetWindowRect(window, &r);
  std::printf("shot %s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
  WaitForNext();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// The camera of the tuning pictures, 720 x 576 YUY2: a room lit from above, a door, a
// floor, a little noise in every 8 x 8 block, a lamp that flashes on every other frame
// (cells 19:4 and 20:4 of the 24 x 18 grid) and, while `walk`, someone crossing it. A
// covered lens is a dark, nearly even picture with only the noise in it.
class Scene {
 public:
  static constexpr int32_t kWidth = 720, kHeight = 576;

  // The next frame, drawn into the buffer the plug-in then draws on.
  std::vector<uint8_t>& Render(bool walk, bool covered = false) {
    pixels_.resize(static_cast<size_t>(kWidth) * kHeight * 2);
    std::vector<uint8_t> noise((kWidth / 8) * (kHeight / 8));
    for (uint8_t& n : noise) {
      seed_ = seed_ * 1103515245u + 12345u;
      n = static_cast<uint8_t>((seed_ >> 16) % 4);
    }
    const bool lampOn = frame_ % 2 == 1;
    // Left to right and back over 80 frames.
    const int32_t step = walk_ % 80, walker = 60 + 8 * (step < 40 ? step : 79 - step);
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = &pixels_[static_cast<size_t>(y) * kWidth * 2];
      for (int32_t x = 0; x < kWidth; x += 2) {
        int32_t luma = y < 430 ? 70 + y * 40 / 430 : 125 + ((x / 60 + y / 30) % 2) * 12;
        uint8_t u = 132, v = 124;  // a cool wall
        if (y >= 430) u = 118, v = 136;  // a warm floor
        if (x >= 90 && x < 200 && y >= 170 && y < 430) luma = 58, u = 120, v = 138;  // the door
        if (x >= 540 && x < 600 && y >= 96 && y < 128) {
          luma = lampOn ? 235 : 90;
          u = 80, v = 150;
        }
        if (walk && x >= walker && x < walker + 50 && y >= 250 && y < 470) {
          const bool head = y < 290 && (x < walker + 12 || x >= walker + 38);
          if (!head) luma = 190, u = 110, v = 160;
        }
        if (covered) luma = 24, u = 126, v = 130;
        luma += noise[static_cast<size_t>((y / 8) * (kWidth / 8) + x / 8)];
        row[x * 2] = row[x * 2 + 2] = static_cast<uint8_t>(luma > 255 ? 255 : luma);
        row[x * 2 + 1] = u;
        row[x * 2 + 3] = v;
      }
    }
    ++frame_;
    if (walk) ++walk_;
    return pixels_;
  }
  // The last frame as the plug-in left it.
  const std::vector<uint8_t>& pixels() const { return pixels_; }

 private:
  std::vector<uint8_t> pixels_;
  uint32_t seed_ = 5;
  int64_t frame_ = 0;
  int64_t walk_ = 0;
};

// Feeds the scene to the plug-in at 25 frames a second, pumping between frames, until
// `done()` or `ms` milliseconds passed.
template <typename Done>
bool Feed(hostsim::HostSession& session, Scene& scene, bool walk, Done done, DWORD ms, bool covered = false) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    qlv::HostFrame frame = {};
    frame.pixels = scene.Render(walk, covered).data();
    frame.channel = session.channels().Get(0);
    session.ProcessFrame(frame);
    const DWORD due = GetTickCount() + 40;
    while (static_cast<int32_t>(due - GetTickCount()) > 0) {
      hostsim::HostWindows::PumpMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}

// Writes the last frame the plug-in drew on and asks the script to make a picture of it.
void ShootFrame(const Scene& scene, const std::string& name) {
  const std::string file = name + ".yuv";
  const std::vector<uint8_t>& p = scene.pixels();
  if (!WriteFile(file, std::string(p.begin(), p.end()))) {
    std::fprintf(stderr, "dialog_shots: cannot write %s\n", file.c_str());
    return;
  }
  std::printf("frame %s %d %d %s\n", name.c_str(), Scene::kWidth, Scene::kHeight, file.c_str());
  std::fflush(stdout);
  WaitForNext();
  DeleteFileA(file.c_str());
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindShown(HWND w, LPARAM lp) {
  ControlSearch* s = reinterpret_cast<ControlSearch*>(lp);
  if (GetDlgCtrlID(w) != s->id || !IsWindowVisible(w)) return TRUE;
  s->found = w;
  return FALSE;
}

// The visible control with `id` anywhere under `root` (the tab pages share ids).
HWND FindShownControl(HWND root, int id) {
  ControlSearch search = {id, nullptr};
  EnumChildWindows(root, FindShown, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Click(HWND window, int id) { SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }
bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
int Progress(HWND window) {
  return static_cast<int>(SendDlgItemMessageW(window, IDC_TUNE_PROGRESS, PBM_GETPOS, 0, 0));
}

// The Tuning group through its states: a quiet run going on, both runs spoiled by the
// lamp (the video with its levels and crosses), the lamp unwatched and a proposal, and a
// cancelled run.
bool TuningRuns(hostsim::HostSession& session, HWND dialog, HWND tuning, const std::string& prefix) {
  Scene scene;
  constexpr DWORD kRunLimitMs = 30000;
  Click(dialog, IDC_MASK_SELECT_ALL);
  // The preview without the cells' state colours, so that the room shows under the
  // levels, and without the clock, so that the picture does not change with the time.
  SelectTab(dialog, IDC_VISUAL_TAB, 3);
  Settle(dialog);  // the page is shown by a posted refresh
  for (int id : {IDC_SHOW_MASK, IDC_SHOW_TIME})
    if (HWND box = FindShownControl(dialog, id)) SendMessageW(box, BM_CLICK, 0, 0);
  SelectTab(dialog, IDC_VISUAL_TAB, 0);
  SetDlgItemTextW(tuning, IDC_TUNE_SECONDS, L"5");
  Click(tuning, IDC_TUNE_LEVELS);
  // The warm-up after the channel is entered.
  Feed(session, scene, false, [] { return false; }, 1400);
  const auto finished = [&] { return Enabled(tuning, IDC_TUNE_QUIET); };

  Click(tuning, IDC_TUNE_QUIET);
  if (!Feed(session, scene, false, [&] { return Progress(tuning) >= 45; }, kRunLimitMs)) return false;
  Shoot(tuning, prefix + "_tuning_running");
  if (!Feed(session, scene, false, finished, kRunLimitMs)) return false;

  Click(tuning, IDC_TUNE_MOTION);
  if (!Feed(session, scene, true, finished, kRunLimitMs)) return false;
  Shoot(tuning, prefix + "_tuning_spoiled");
  // Someone in the middle of the room, the levels of the last 50 frames in every cell.
  int frames = 0;
  Feed(session, scene, true, [&] { return ++frames > 14; }, kRunLimitMs);
  ShootFrame(scene, prefix + "_levels");

  Click(tuning, IDC_TUNE_UNWATCH);
  // The room empty again for a moment before it is learned anew: the walker leaving is no
  // quiet scene.
  Feed(session, scene, false, [] { return false; }, 1000);
  Click(tuning, IDC_TUNE_QUIET);
  if (!Feed(session, scene, false, finished, kRunLimitMs)) return false;
  Shoot(tuning, prefix + "_tuning_proposal");

  Click(tuning, IDC_TUNE_MOTION);
  Feed(session, scene, true, [&] { return Progress(tuning) >= 20; }, kRunLimitMs);
  Click(tuning, IDC_TUNE_CANCEL);
  Shoot(tuning, prefix + "_tuning_cancelled");
  return true;
}

std::wstring ItemText(HWND window, int id) {
  wchar_t text[256] = {};
  GetDlgItemTextW(window, id, text, 256);
  return text;
}

// The Intruders group at the values the guides recommend for a yard camera: the view
// watched, then the lens covered until the view is lost (the window and the video).
bool IntruderShots(hostsim::HostSession& session, HWND tuning, const std::string& prefix) {
  Scene scene;
  constexpr DWORD kLimitMs = 300000;  // frames come slowly where Wine runs under an emulator
  Click(tuning, IDC_TUNE_LEVELS);  // off: the words alone on the video
  const struct {
    int id;
    const wchar_t* text;
  } values[] = {{IDC_LIGHT_CHANGE_PERCENT_EDIT, L"50"},
                {IDC_SCENE_SECONDS_EDIT, L"10"},
                {IDC_VIEW_LOST_SECONDS_EDIT, L"4"},
                {IDC_BUSY_MARGIN_EDIT, L"3"}};
  for (const auto& v : values) SetDlgItemTextW(tuning, v.id, v.text);
  const std::wstring none = ItemText(tuning, IDC_VIEW_STATE);
  if (!Feed(session, scene, false, [&] { return ItemText(tuning, IDC_VIEW_STATE) != none; }, kLimitMs)) return false;
  Feed(session, scene, false, [] { return false; }, 1000);
  Shoot(tuning, prefix + "_tuning_intruders");
  const std::wstring watched = ItemText(tuning, IDC_VIEW_STATE);
  if (!Feed(session, scene, false, [&] { return ItemText(tuning, IDC_VIEW_STATE) != watched; }, kLimitMs, true))
    return false;
  Shoot(tuning, prefix + "_tuning_view_lost");
  ShootFrame(scene, prefix + "_view_lost");
  return true;
}

// The schedule window's grid as the window lays it out: the day names' column and the
// hours' row in the window's font, then whole pixels per half hour and per day.
struct GridPixels {
  int left, top, cellWidth, cellHeight;
};

// `dayNames`: the short names the window shows, in its language.
GridPixels MeasureGrid(HWND window, const std::vector<std::wstring>& dayNames) {
  HWND grid = GetDlgItem(window, IDC_SCHEDULE_GRID);
  RECT r = {};
  GetClientRect(grid, &r);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  LONG labelWidth = 0;
  SIZE size = {};
  for (const std::wstring& name : dayNames) {
    GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
    if (size.cx > labelWidth) labelWidth = size.cx;
  }
  GetTextExtentPoint32W(dc, L"00", 2, &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  const int left = labelWidth + 6, top = size.cy + 2;
  POINT origin = {left, top};
  MapWindowPoints(grid, window, &origin, 1);
  return GridPixels{origin.x, origin.y, (r.right - left - 1) / 48, (r.bottom - top - 1) / 7};
}

// A drag from one slot to another, as the mouse would make it, in the window's client pixels.
void PaintSlots(HWND window, const GridPixels& g, int fromDay, int fromSlot, int toDay, int toSlot) {
  const auto at = [&g](int day, int slot) {
    return MAKELPARAM(g.left + slot * g.cellWidth + g.cellWidth / 2, g.top + day * g.cellHeight + g.cellHeight / 2);
  };
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(fromDay, fromSlot));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at(toDay, toSlot));
  SendMessageW(window, WM_LBUTTONUP, 0, at(toDay, toSlot));
}

struct ScheduleSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindSchedule(HWND w, LPARAM lp) {
  ScheduleSearch* s = reinterpret_cast<ScheduleSearch*>(lp);
  if (GetWindow(w, GW_OWNER) != s->owner || !IsWindowVisible(w) || !GetDlgItem(w, IDC_SCHEDULE_GRID)) return TRUE;
  s->found = w;
  return FALSE;
}

// The schedule window with an example week: weekday nights from 22:00 to 07:00 with the
// night settings, the weekend's working hours off, and a sensitivity of its own at night.
bool ScheduleShot(HWND dialog, const std::string& prefix, bool russian) {
  SendMessageW(GetDlgItem(dialog, IDC_SCHEDULE), BM_CLICK, 0, 0);
  ScheduleSearch search = {dialog, nullptr};
  if (!PumpUntil([&] { return EnumWindows(FindSchedule, reinterpret_cast<LPARAM>(&search)), search.found != nullptr; },
                 30000))
    return false;
  HWND schedule = search.found;
  const GridPixels g =
      MeasureGrid(schedule, russian ? std::vector<std::wstring>{L"Пн", L"Вт", L"Ср", L"Чт", L"Пт", L"Сб", L"Вс"}
                                    : std::vector<std::wstring>{L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"});
  Click(schedule, IDC_SCHEDULE_BRUSH_NIGHT);
  PaintSlots(schedule, g, 0, 44, 4, 47);
  PaintSlots(schedule, g, 1, 0, 5, 13);
  Click(schedule, IDC_SCHEDULE_BRUSH_OFF);
  PaintSlots(schedule, g, 5, 18, 6, 35);
  Click(schedule, IDC_SCHEDULE_BRUSH_NIGHT);
  Click(schedule, IDC_NIGHT_SENSITIVE_DAY);
  SetDlgItemTextW(schedule, IDC_NIGHT_SENSITIVE_EDIT, L"13");
  Shoot(schedule, prefix + "_schedule");
  return true;
}

// Whether the picture `name` is wanted: all of them without a list.
bool Wanted(const std::string& list, const std::string& name) {
  return list.empty() || ("," + list + ",").find("," + name + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dialog_shots.exe LANGID PREFIX\n");
    return 2;
  }
  const uint32_t lang = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
  const std::string prefix = argv[2];
  const std::string only = argc > 3 ? argv[3] : "";
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
    if (!Wanted(only, s.name)) continue;
    SelectTab(dialog, IDC_ACTION_TAB, s.actionTab);
    SelectTab(dialog, IDC_VISUAL_TAB, s.visualTab);
    Shoot(dialog, prefix + "_" + s.name);
  }
  // The detector tuning window, opened by its button, at its defaults, then at work.
  if (Wanted(only, "tuning")) SendMessageW(GetDlgItem(dialog, IDC_TUNING), BM_CLICK, 0, 0);
  if (!Wanted(only, "tuning")) {
  } else if (HWND tuning = WaitForOwnDialog(dialog)) {
    Shoot(tuning, prefix + "_tuning");
    if (!TuningRuns(session, dialog, tuning, prefix)) std::fprintf(stderr, "dialog_shots: a tuning run did not end\n");
    if (!IntruderShots(session, tuning, prefix)) std::fprintf(stderr, "dialog_shots: the view was not lost\n");
  } else {
    std::fprintf(stderr, "dialog_shots: the tuning window did not open\n");
  }
  if (Wanted(only, "schedule") && !ScheduleShot(dialog, prefix, lang == 0x419))
    std::fprintf(stderr, "dialog_shots: the schedule window did not open\n");
  std::printf("done\n");
  std::fflush(stdout);
  session.Close();
  session.Shutdown();
  DeleteFileA(ini.c_str());
  return 0;
}
