// The five visualisation pages through the DLL in the stand-in host: the caption's
// format menu, font and opacity, the recording switches, a state colour picked in
// the real colour chooser, and the host closing the plug-in under a chooser.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "host_session.h"
#include "pixel/frame_canvas.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::PumpUntil;
using hosttest::WriteBytes;
using hosttest::WriteMask;

constexpr int kCaptionTab = 0, kAreaColorsTab = 2, kRecordShowTab = 4, kGridTab = 1;
// Controls of the platform's choosers.
constexpr int kColorRedEdit = 706, kColorGreenEdit = 707, kColorBlueEdit = 708;
constexpr int kFontStyleCombo = 1137, kFontApplyButton = 1026;
const wchar_t kOpacityMessage[] = L"Opacity value should be a number from 0 to 100";

std::string MaskPath() { return PluginsFolder() + "visual_pages.msk"; }

struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() {
    DeleteFileA(IniPath().c_str());
    DeleteFileA(MaskPath().c_str());
  }
};

std::map<std::string, std::string> ReadIni() {
  std::map<std::string, std::string> keys;
  std::FILE* f = std::fopen(IniPath().c_str(), "rb");
  if (!f) return keys;
  char line[1024];
  while (std::fgets(line, sizeof line, f)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const size_t eq = s.find('=');
    if (eq != std::string::npos) keys[s.substr(0, eq)] = s.substr(eq + 1);
  }
  std::fclose(f);
  return keys;
}

bool IsChooser(HWND w, int markerId) {
  wchar_t cls[16] = {};
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid == GetCurrentProcessId() && IsWindowVisible(w) && GetClassNameW(w, cls, 16) &&
         lstrcmpW(cls, L"#32770") == 0 && !hosttest::IsSettingsDialog(w) && GetDlgItem(w, markerId);
}

struct ChooserSearch {
  int marker;
  HWND found;
};

BOOL CALLBACK FindChooser(HWND w, LPARAM lp) {
  ChooserSearch* s = reinterpret_cast<ChooserSearch*>(lp);
  if (!IsChooser(w, s->marker)) return TRUE;
  s->found = w;
  return FALSE;
}

HWND VisibleChooser(int markerId) {
  ChooserSearch s = {markerId, nullptr};
  EnumWindows(FindChooser, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND VisiblePopupMenu() {
  HWND w = FindWindowW(L"#32768", nullptr);
  return w && IsWindowVisible(w) ? w : nullptr;
}

// On a thread of its own: waits for a window (a platform chooser recognised by
// one of its controls, or a popup menu) while the test thread sits in its modal
// loop, then acts on it as a user.
class ChooserDriver {
 public:
  ChooserDriver(int markerId, std::function<void(HWND)> act)
      : ChooserDriver([markerId] { return VisibleChooser(markerId); }, std::move(act)) {}
  ChooserDriver(std::function<HWND()> find, std::function<void(HWND)> act) : find_(std::move(find)), act_(std::move(act)) {
    thread_ = CreateThread(nullptr, 0, &ChooserDriver::Main, this, 0, nullptr);
  }
  ~ChooserDriver() {
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
  }
  bool done() const { return done_.load(); }
  bool found() const { return found_.load(); }

 private:
  static DWORD WINAPI Main(void* self) {
    static_cast<ChooserDriver*>(self)->Run();
    return 0;
  }
  void Run() {
    for (int i = 0; i < 1000 && !found_; ++i) {
      if (HWND w = find_()) {
        found_ = true;
        act_(w);
      } else {
        Sleep(20);
      }
    }
    done_ = true;
  }
  std::function<HWND()> find_;
  std::function<void(HWND)> act_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> found_{false}, done_{false};
};

// The test thread's modal loops (menus, choosers) dispatch posted clicks: the
// button's handler runs there, as when a user clicks.
void PostClick(HWND page, int id) { PostMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0); }

void MouseButton(DWORD down, DWORD up) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  SendInput(2, in, sizeof(INPUT));
}

void Keys(const std::vector<WORD>& keys) {
  for (WORD vk : keys) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(30);
  }
}

std::string FieldText(HWND field) {
  char buf[256] = {};
  GetWindowTextA(field, buf, sizeof buf);
  return buf;
}

class VisualPagesTest : public ::testing::Test {
 protected:
  // A host showing channel (0, 0), the watched one, with the settings dialog open.
  void Open(const std::string& settings, int32_t pixelFormat = qlv::PixelFormatYUV422, int32_t recording = 0) {
    WriteBytes(IniPath(), "[PluginSettings]\r\n" + settings);
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    std::string error;
    ASSERT_TRUE(session_.Open(so, &error)) << error;
    session_.channels().SetChannels({{0, 0, "Zero"}});
    ASSERT_NE(session_.Record(), nullptr);
    session_.Init();
    format_ = hostsim::DefaultStreamFormat();
    format_.pixelFormat = pixelFormat;
    format_.recording = recording;
    ASSERT_EQ(session_.Start(format_), 1);
    canvas_.SetGeometry(format_.width, format_.height, format_.pixelFormat);
    base_.resize(canvas_.FrameBytes());
    for (size_t i = 0; i < base_.size(); ++i) base_[i] = static_cast<uint8_t>(90 + (i / 2) % 5);
    session_.RequestSettings();
    dialog_ = hosttest::WaitForSettingsDialog();
    ASSERT_NE(dialog_, nullptr);
    tab_ = GetDlgItem(dialog_, IDC_VISUAL_TAB);
  }
  void TearDown() override {
    session_.Shutdown();
  }
  // Closes the plug-in (which writes the settings) and reads the file.
  std::map<std::string, std::string> CloseAndReadIni() {
    session_.Close();
    return ReadIni();
  }

  // One frame through the plug-in, from `input` (the base picture when empty).
  std::vector<uint8_t> Frame(std::vector<uint8_t> input = {}) {
    std::vector<uint8_t> pixels = input.empty() ? base_ : input;
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session_.channels().Get(0);
    session_.ProcessFrame(frame);
    return pixels;
  }
  // Bytes the overlay changed in a processed base frame.
  size_t Ink(const std::vector<uint8_t>& frame) const {
    size_t n = 0;
    for (size_t i = 0; i < frame.size(); ++i) n += frame[i] != base_[i];
    return n;
  }

  // Clicks the tab and returns its page once it is the one shown.
  HWND ShowPage(int index) {
    std::vector<HWND> pages;
    for (HWND c = GetWindow(tab_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) pages.push_back(c);
    if (index >= static_cast<int>(pages.size())) return nullptr;
    HWND page = pages[static_cast<size_t>(index)];
    if (!IsWindowVisible(page)) {
      hosttest::FocusForInput(tab_);
      hosttest::ClickAt(hosttest::TabItemCentre(tab_, index));
      if (!PumpUntil([&] { return IsWindowVisible(page) != FALSE; }, 10000)) return nullptr;
    }
    return page;
  }

  Cleanup cleanup_;
  hostsim::HostSession session_;
  qlv::StreamFormat format_{};
  qlv::FrameCanvas canvas_;
  std::vector<uint8_t> base_;
  HWND dialog_ = nullptr;
  HWND tab_ = nullptr;
};

const char kCaptionOnly[] = "ShowMask=0\r\nShowGrid=0\r\nShowTime=1\r\nTextPos=0\r\nVisualTab=0\r\n";

TEST_F(VisualPagesTest, FormatMenuInsertsTheItemsCodeOverTheSelectionAndTheNextFrameShowsIt) {
  ASSERT_NO_FATAL_FAILURE(Open(std::string(kCaptionOnly) + "TimeFormat=AB CD\r\n"));
  HWND page = ShowPage(kCaptionTab);
  ASSERT_NE(page, nullptr);
  HWND field = GetDlgItem(page, IDC_CAPTION_FORMAT);
  ASSERT_TRUE(PumpUntil([&] { return FieldText(field) == "AB CD"; }));
  const std::vector<uint8_t> before = Frame();
  ASSERT_GT(Ink(before), 0u);

  // Select "CD", then a right click; the menu's seventh item is "%H - Hour in 24-hour format (00 – 23)".
  auto rightClickAndChoose = [&](const std::vector<WORD>& keys) {
    ASSERT_TRUE(hosttest::FocusForInput(field));
    const RECT r = hosttest::ScreenRect(field);
    SetCursorPos(r.left + 6, (r.top + r.bottom) / 2);
    ChooserDriver menu(VisiblePopupMenu, [&](HWND) {
      Sleep(100);
      Keys(keys);
    });
    MouseButton(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_TRUE(PumpUntil([&] { return menu.done() && !VisiblePopupMenu(); }));
    EXPECT_TRUE(menu.found()) << "no menu";
  };
  SendMessageW(field, EM_SETSEL, 3, 5);
  std::vector<WORD> hourKeys(7, VK_DOWN);
  hourKeys.push_back(VK_RETURN);
  rightClickAndChoose(hourKeys);
  ASSERT_TRUE(PumpUntil([&] { return FieldText(field) == "AB %H"; })) << FieldText(field);

  // The next frame shows the hour: the same picture as the hour typed as text.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::time_t now = std::time(nullptr);
    char hour[8] = {};
    std::strftime(hour, sizeof hour, "%H", std::localtime(&now));
    SetWindowTextA(field, "AB %H");
    const std::vector<uint8_t> withCode = Frame();
    SetWindowTextA(field, (std::string("AB ") + hour).c_str());
    const std::vector<uint8_t> withDigits = Frame();
    const std::time_t after = std::time(nullptr);
    char hourAfter[8] = {};
    std::strftime(hourAfter, sizeof hourAfter, "%H", std::localtime(&after));
    if (std::string(hour) != hourAfter) continue;  // the hour turned meanwhile
    EXPECT_NE(withCode, before);
    EXPECT_EQ(withCode, withDigits);
    break;
  }

  // "%% - Percent sign", the last item, at the caret.
  SetWindowTextA(field, "X");
  SendMessageW(field, EM_SETSEL, 1, 1);
  rightClickAndChoose({VK_UP, VK_RETURN});
  ASSERT_TRUE(PumpUntil([&] { return FieldText(field) == "X%%"; })) << FieldText(field);

  const std::map<std::string, std::string> ini = CloseAndReadIni();
  EXPECT_EQ(ini.at("TimeFormat"), "X%%");
}

// Sets the font chooser's style to bold, then presses `button` (Apply, OK or Cancel).
void ChooseBold(HWND chooser) {
  HWND style = GetDlgItem(chooser, kFontStyleCombo);
  const LRESULT bold = SendMessageW(style, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Bold"));
  SendMessageW(style, CB_SETCURSEL, static_cast<WPARAM>(bold), 0);
  SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(kFontStyleCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(style));
}

TEST_F(VisualPagesTest, FontApplyMakesTheCaptionBoldAtOnceCancelRestoresAndOkKeepsIt) {
  ASSERT_NO_FATAL_FAILURE(Open(std::string(kCaptionOnly) + "TimeFormat=Guard\r\nFontName=DejaVu Sans\r\nFontWeight=400\r\nFontSize=-16\r\n"));
  HWND page = ShowPage(kCaptionTab);
  ASSERT_NE(page, nullptr);
  const std::vector<uint8_t> regular = Frame();
  ASSERT_GT(Ink(regular), 0u);

  // Apply bold; a frame on another thread meanwhile; then cancel.
  std::vector<uint8_t> applied;
  bool ownerDisabled = false;
  {
    ChooserDriver driver(kFontStyleCombo, [&](HWND chooser) {
      ownerDisabled = !IsWindowEnabled(dialog_);
      ChooseBold(chooser);
      SendMessageW(GetDlgItem(chooser, kFontApplyButton), BM_CLICK, 0, 0);
      applied = Frame();
      SendMessageW(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
    });
    PostClick(page, IDC_CAPTION_FONT);
    ASSERT_TRUE(PumpUntil([&] { return driver.done() && !VisibleChooser(kFontStyleCombo); }, 30000));
    ASSERT_TRUE(driver.found());
  }
  EXPECT_TRUE(ownerDisabled) << "the settings dialog owns the chooser";
  EXPECT_TRUE(IsWindowEnabled(dialog_));
  EXPECT_GT(Ink(applied), Ink(regular)) << "apply shows the bold font at once: heavier strokes";
  EXPECT_EQ(Frame(), regular) << "cancel puts the previous font back";

  // Bold again, confirmed this time.
  {
    ChooserDriver driver(kFontStyleCombo, [&](HWND chooser) {
      ChooseBold(chooser);
      SendMessageW(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    });
    PostClick(page, IDC_CAPTION_FONT);
    ASSERT_TRUE(PumpUntil([&] { return driver.done() && !VisibleChooser(kFontStyleCombo); }, 30000));
  }
  EXPECT_EQ(Frame(), applied);
  const std::map<std::string, std::string> ini = CloseAndReadIni();
  EXPECT_EQ(ini.at("FontWeight"), "700");
  EXPECT_EQ(ini.at("FontSize"), "-16");
  EXPECT_EQ(ini.at("FontName"), "DejaVu Sans");
}

TEST_F(VisualPagesTest, OpacityFieldsRefuse101WithMessage34AndAcceptTheEnds) {
  ASSERT_NO_FATAL_FAILURE(Open(std::string(kCaptionOnly) + "TimeFormat=Guard\r\nTextOpacity=80\r\nGridOpacity=30\r\n"));
  HWND page = ShowPage(kCaptionTab);
  ASSERT_NE(page, nullptr);
  const int edit = IDC_CAPTION_OPACITY_EDIT;
  ASSERT_TRUE(PumpUntil([&] { return hosttest::ItemText(page, edit) == L"80"; }));
  const size_t inkAt80 = Ink(Frame());
  {
    hosttest::MessageBoxCatcher boxes;
    hosttest::SetItemText(page, edit, L"101");
    ASSERT_TRUE(boxes.WaitForCount(1));
    EXPECT_EQ(boxes.boxes()[0].text, kOpacityMessage);
    EXPECT_EQ(boxes.boxes()[0].owner, dialog_);
    EXPECT_TRUE(PumpUntil([&] { return hosttest::ItemText(page, edit) == L"80"; }));
    EXPECT_EQ(Ink(Frame()), inkAt80) << "the stored opacity is kept";

    hosttest::SetItemText(page, edit, L"0");
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(hosttest::ItemText(page, edit), L"0");
    EXPECT_EQ(Ink(Frame()), 0u) << "opacity 0 leaves the picture alone";
    hosttest::SetItemText(page, edit, L"100");
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(hosttest::ItemText(page, edit), L"100");
    EXPECT_GT(Ink(Frame()), 0u);

    // The grid page's field refuses the same way.
    HWND grid = ShowPage(kGridTab);
    ASSERT_NE(grid, nullptr);
    hosttest::SetItemText(grid, IDC_GRID_OPACITY_EDIT, L"101");
    ASSERT_TRUE(boxes.WaitForCount(2));
    EXPECT_EQ(boxes.boxes()[1].text, kOpacityMessage);
    EXPECT_TRUE(PumpUntil([&] { return hosttest::ItemText(grid, IDC_GRID_OPACITY_EDIT) == L"30"; }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(boxes.count(), 2u) << "one refusal, one message";
  }
  const std::map<std::string, std::string> ini = CloseAndReadIni();
  EXPECT_EQ(ini.at("TextOpacity"), "100");
  EXPECT_EQ(ini.at("GridOpacity"), "30");
}

TEST_F(VisualPagesTest, DateTimeOnTheRecordPageChangesOnlyRecShowTime) {
  ASSERT_NO_FATAL_FAILURE(Open(
      "ShowGrid=1\r\nShowMask=1\r\nShowTime=0\r\nRecShowGrid=0\r\nRecShowMask=0\r\nRecShowTime=0\r\nTimeFormat=Guard\r\n",
      qlv::PixelFormatYUV422, 1));
  HWND page = ShowPage(kRecordShowTab);
  ASSERT_NE(page, nullptr);
  ASSERT_FALSE(hosttest::IsChecked(page, IDC_SHOW_TIME));
  EXPECT_EQ(Ink(Frame()), 0u) << "a recorded stream shows nothing yet";
  hosttest::FocusForInput(GetDlgItem(page, IDC_SHOW_TIME));
  const RECT r = hosttest::ScreenRect(GetDlgItem(page, IDC_SHOW_TIME));
  hosttest::ClickAt({r.left + 6, (r.top + r.bottom) / 2});
  ASSERT_TRUE(PumpUntil([&] { return hosttest::IsChecked(page, IDC_SHOW_TIME); }));
  EXPECT_GT(Ink(Frame()), 0u) << "the recorded stream shows the caption";

  const std::map<std::string, std::string> ini = CloseAndReadIni();
  EXPECT_EQ(ini.at("RecShowTime"), "1");
  EXPECT_EQ(ini.at("ShowTime"), "0");
  EXPECT_EQ(ini.at("ShowGrid"), "1");
  EXPECT_EQ(ini.at("ShowMask"), "1");
  EXPECT_EQ(ini.at("RecShowGrid"), "0");
  EXPECT_EQ(ini.at("RecShowMask"), "0");
}

// Sets the colour chooser's red, green and blue fields and confirms.
void PickInChooser(HWND chooser, int r, int g, int b) {
  for (auto [id, v] : {std::pair<int, int>{kColorRedEdit, r}, {kColorGreenEdit, g}, {kColorBlueEdit, b}}) {
    const std::wstring text = std::to_wstring(v);
    SendMessageW(GetDlgItem(chooser, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
}

COLORREF CentrePixel(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ReleaseDC(window, dc);
  return c;
}

TEST_F(VisualPagesTest, ColourPickedForDangerRedrawsItsSwatchAndTheDangerCells) {
    WriteMask(MaskPath());
  ASSERT_NO_FATAL_FAILURE(Open("MaskFileName=" + MaskPath() +
                                   "\r\nShowMask=1\r\nShowGrid=0\r\nShowTime=0\r\nFrameCounter=3\r\n"
                                   "ActiveOpacity=0\r\nDangerOpacity=100\r\nDangerColor=16711680\r\n",
                               qlv::PixelFormatRGB24));
  HWND page = ShowPage(kAreaColorsTab);
  ASSERT_NE(page, nullptr);
  HWND swatch = GetDlgItem(page, IDC_AREA_DANGER_COLOR);
  EXPECT_EQ(CentrePixel(swatch), RGB(0, 0, 255)) << "DangerColor 0xFF0000 is blue";

  // Quiet frames, then cell (0, 0) turns white: a change in some of the last 3 frames.
  for (int i = 0; i < 5; ++i) Frame();
  std::vector<uint8_t> changed = base_;
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      uint8_t* p = canvas_.PixelAddress(changed.data(), x, y);
      p[0] = p[1] = p[2] = 255;
    }
  std::vector<uint8_t> out = Frame(changed);
  const uint8_t* cell = canvas_.PixelAddress(out.data(), 15, 16);
  EXPECT_EQ((std::vector<int>{cell[0], cell[1], cell[2]}), (std::vector<int>{255, 0, 0})) << "B, G, R of blue";
  const uint8_t* quiet = canvas_.PixelAddress(out.data(), 315, 316);
  EXPECT_EQ(quiet[0], canvas_.PixelAddress(changed.data(), 315, 316)[0]) << "active cells at opacity 0 stay";

  {
    ChooserDriver driver(kColorRedEdit, [](HWND chooser) { PickInChooser(chooser, 10, 200, 30); });
    PostClick(page, IDC_AREA_DANGER_COLOR);
    ASSERT_TRUE(PumpUntil([&] { return driver.done() && !VisibleChooser(kColorRedEdit); }, 30000));
    ASSERT_TRUE(driver.found());
  }
  EXPECT_TRUE(PumpUntil([&] { return CentrePixel(swatch) == RGB(10, 200, 30); }));
  // Back to the quiet picture: another change, the cell still in danger.
  out = Frame();
  cell = canvas_.PixelAddress(out.data(), 15, 16);
  EXPECT_EQ((std::vector<int>{cell[0], cell[1], cell[2]}), (std::vector<int>{30, 200, 10}));
  const std::map<std::string, std::string> ini = CloseAndReadIni();
  EXPECT_EQ(ini.at("DangerColor"), std::to_string(RGB(10, 200, 30)));
}

hostsim::HostSession* t_closing = nullptr;
bool t_closed = false;

void CALLBACK CloseUnderChooser(HWND, UINT, UINT_PTR id, DWORD) {
  if (t_closed || !VisibleChooser(kColorRedEdit)) return;
  KillTimer(nullptr, id);
  t_closed = true;
  t_closing->Close();
}

// The host closes the plug-in while the grid's colour chooser is up: the chooser
// goes with the dialog that owns it, nothing touches the destroyed page, and the
// settings are written.
TEST_F(VisualPagesTest, PluginCloseUnderAColourChooserSavesTheSettings) {
  ASSERT_NO_FATAL_FAILURE(Open("GridOpacity=30\r\nVisualTab=1\r\n"));
  HWND page = ShowPage(kGridTab);
  ASSERT_NE(page, nullptr);
  hosttest::SetItemText(page, IDC_GRID_OPACITY_EDIT, L"55");
  PumpUntil([] { return false; }, 200);

  // A timer of the host's thread, served by the chooser's own message loop.
  t_closing = &session_;
  t_closed = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseUnderChooser);
  PostClick(page, IDC_GRID_COLOR);
  ASSERT_TRUE(PumpUntil([&] { return t_closed && !VisibleChooser(kColorRedEdit); }, 30000));
  KillTimer(nullptr, timer);
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(hosttest::FindSettingsDialog(), nullptr);
  EXPECT_FALSE(IsWindow(page));
  const std::map<std::string, std::string> ini = ReadIni();
  ASSERT_FALSE(ini.empty()) << "the settings were written";
  EXPECT_EQ(ini.at("GridOpacity"), "55");
}

}  // namespace
