// Editing the mask as a user does: real clicks on the host's video window while
// the settings dialog is open, the mask buttons, the file chooser, and the
// overlay of the next frames.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chooser_driver.h"
#include "dialog_driver.h"
#include "host_session.h"
#include "pixel/frame_canvas.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hostsim::GridMaskBytes;
using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::PumpUntil;
using hosttest::WriteBytes;
using hosttest::WriteMask;

constexpr int kColumns = 24;
constexpr int kRows = 18;
constexpr int kWidth = 720;
constexpr int kHeight = 576;

std::string EditorMask() { return PluginsFolder() + "mask_editor.msk"; }
std::string ChosenMask() { return PluginsFolder() + "mask_chosen.msk"; }
std::string KeptMask() { return PluginsFolder() + "mask_kept.msk"; }

struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() {
    for (const std::string& p : {IniPath(), EditorMask(), ChosenMask(), KeptMask()}) {
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(p.c_str());
      RemoveDirectoryA((p + ".tmp").c_str());
      DeleteFileA((p + ".tmp").c_str());
    }
  }
};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// One host, its windows shown, playing channel (0, 0) at 720 x 576, which the
// settings make the controlled one.
class EditorSession {
 public:
  explicit EditorSession(const std::string& settings) {
    WriteBytes(IniPath(), "[PluginSettings]\r\nChannelIdx=0\r\n" + settings);
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    std::string error;
    ok_ = session_.Open(so, &error);
    EXPECT_TRUE(ok_) << error;
    if (!ok_) return;
    session_.channels().SetChannels({{0, 0, "Zero"}});
    session_.Record();
    session_.Init();
    EXPECT_EQ(session_.Start(hostsim::DefaultStreamFormat()), 1);
    // The video on the left, the host's main window out of the way.
    SetWindowPos(video(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    SetWindowPos(session_.windows().mainWindow(), nullptr, 900, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ~EditorSession() { session_.Shutdown(); }

  bool ok() const { return ok_; }
  hostsim::HostSession& session() { return session_; }
  HWND video() { return session_.windows().videoWindow(); }

  // Opens the settings dialog beside the video.
  HWND OpenDialog() {
    session_.ShowSettings(session_.windows().mainWindow(), 0);
    HWND dialog = hosttest::WaitForSettingsDialog();
    if (dialog) SetWindowPos(dialog, HWND_TOP, 800, 0, 0, 0, SWP_NOSIZE);
    PumpUntil([] { return false; }, 100);
    return dialog;
  }

  // Releases (and presses) reach the video window and the hook before this returns.
  void Click(int x, int y, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
    Press(x, y, down);
    Release(x, y, up);
  }
  void Press(int x, int y, DWORD flags = MOUSEEVENTF_LEFTDOWN) { Input(x, y, flags); }
  void Release(int x, int y, DWORD flags = MOUSEEVENTF_LEFTUP) { Input(x, y, flags); }
  void MoveTo(int x, int y) { Input(x, y, 0); }

  // One uniform grey frame through the plug-in.
  std::vector<uint8_t> Frame() {
    qlv::FrameCanvas canvas;
    canvas.SetGeometry(kWidth, kHeight, qlv::PixelFormatYUV422);
    std::vector<uint8_t> pixels(canvas.FrameBytes(), 0x80);
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session_.channels().Get(0);
    EXPECT_EQ(session_.ProcessFrame(frame), 1);
    return pixels;
  }

 private:
  void Input(int x, int y, DWORD flags) {
    const uint32_t before = session_.windows().videoMouseMessages();
    hosttest::MouseTo(hosttest::ClientPointOnScreen(video(), x, y));
    if (flags) hosttest::MouseButton(flags);
    // Every event reaches the video window (or its frame) and is dispatched.
    PumpUntil([&] { return session_.windows().videoMouseMessages() > before; }, 1500);
    PumpUntil([] { return false; }, 60);
  }

  hostsim::HostSession session_;
  bool ok_ = false;
};

// The overlay paints a watched cell (a still one is "active"): true when the centre pixel of (column, row)
// differs from the grey fed in.
bool CellPainted(const std::vector<uint8_t>& frame, int column, int row) {
  qlv::FrameCanvas canvas;
  canvas.SetGeometry(kWidth, kHeight, qlv::PixelFormatYUV422);
  const int cx = column * (kWidth / kColumns) + kWidth / kColumns / 2;
  const int cy = row * (kHeight / kRows) + kHeight / kRows / 2;
  const uint8_t* p = canvas.PixelAddress(const_cast<uint8_t*>(frame.data()), cx, cy);
  return p[0] != 0x80 || p[1] != 0x80;
}

std::vector<std::pair<int, int>> PaintedCells(const std::vector<uint8_t>& frame) {
  std::vector<std::pair<int, int>> cells;
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kColumns; ++c)
      if (CellPainted(frame, c, r)) cells.push_back({c, r});
  return cells;
}

const char kOverlaySettings[] =
    "ShowMask=1\r\nShowGrid=0\r\nShowTime=0\r\nInactiveOpacity=0\r\nActiveColor=255\r\nActiveOpacity=100\r\n";

TEST(MaskEditor, LeftReleasesOnTheVideoToggleTheCellUnderThemWhileTheDialogIsOpen) {
  Cleanup cleanup;
  WriteMask(EditorMask(), {});
  EditorSession s("MaskFileName=" + EditorMask() + "\r\n" + kOverlaySettings);
  ASSERT_TRUE(s.ok());
  RECT client = {};
  GetClientRect(s.video(), &client);
  ASSERT_EQ(client.right, kWidth);
  ASSERT_EQ(client.bottom, kHeight);
  EXPECT_TRUE(PaintedCells(s.Frame()).empty());

  HWND dialog = s.OpenDialog();
  ASSERT_NE(dialog, nullptr);
  s.Click(719, 575);  // column 23, row 17
  s.Click(30, 32);    // column 1, row 1
  s.Click(0, 0);      // column 0, row 0
  s.Click(0, 0);      // and back
  // Pressed on cell (1, 1), released on (3, 3): only the release counts.
  s.Press(30, 32);
  s.MoveTo(60, 60);
  s.Release(100, 100);
  // Right clicks and moves over cells do nothing.
  s.Click(200, 200, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  s.MoveTo(400, 300);
  s.MoveTo(500, 400);
  const std::vector<std::pair<int, int>> expected = {{1, 1}, {3, 3}, {23, 17}};
  EXPECT_EQ(PaintedCells(s.Frame()), expected);
  // A release at x = width lies outside the client area.
  s.Click(kWidth, 100);
  EXPECT_EQ(PaintedCells(s.Frame()), expected);

  hosttest::ClickButton(dialog, IDC_MASK_SAVE);  // named: saved without asking
  EXPECT_EQ(ReadFile(EditorMask()), GridMaskBytes({{1, 1}, {3, 3}, {23, 17}}));

  // Closed, the dialog's hook is gone: clicks change nothing.
  hosttest::ClickButton(dialog, IDC_OK);
  ASSERT_TRUE(PumpUntil([] { return hosttest::FindSettingsDialog() == nullptr; }));
  s.Click(30, 32);
  s.Click(600, 500);
  EXPECT_EQ(PaintedCells(s.Frame()), expected);
  dialog = s.OpenDialog();
  ASSERT_NE(dialog, nullptr);
  hosttest::ClickButton(dialog, IDC_MASK_SAVE);
  EXPECT_EQ(ReadFile(EditorMask()), GridMaskBytes({{1, 1}, {3, 3}, {23, 17}}));
}

TEST(MaskButtons, InvertTwiceRestoresAndAnUnnamedSaveAsksForANameOnce) {
  Cleanup cleanup;
  EditorSession s(kOverlaySettings);
  ASSERT_TRUE(s.ok());
  HWND dialog = s.OpenDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(hosttest::ItemText(dialog, IDC_MASK_FILE), L"");

  hosttest::ClickButton(dialog, IDC_MASK_INVERT);
  EXPECT_EQ(PaintedCells(s.Frame()).size(), static_cast<size_t>(kColumns * kRows));
  {
    hosttest::FileChooserAnswer answer(dialog, Wide(ChosenMask()));
    hosttest::ClickButton(dialog, IDC_MASK_SAVE);  // returns once the chooser was answered
    ASSERT_EQ(answer.count(), 1u);
    const hosttest::FileChooserAnswer::Seen seen = answer.seen()[0];
    EXPECT_EQ(seen.owner, dialog);
    EXPECT_EQ(seen.filter, L"Mask files (*.msk)");
  }
  EXPECT_EQ(ReadFile(ChosenMask()), GridMaskBytes(hostsim::AllMaskCells()));
  PumpUntil([&] { return hosttest::ItemText(dialog, IDC_MASK_FILE) != L""; }, 3000);
  EXPECT_EQ(hosttest::ItemText(dialog, IDC_MASK_FILE), Wide(ChosenMask()));

  hosttest::ClickButton(dialog, IDC_MASK_INVERT);
  EXPECT_TRUE(PaintedCells(s.Frame()).empty());
  {
    hosttest::FileChooserAnswer answer(dialog, L"never.msk");
    hosttest::ClickButton(dialog, IDC_MASK_SAVE);
    EXPECT_EQ(answer.count(), 0u);  // named now: no chooser
  }
  EXPECT_EQ(ReadFile(ChosenMask()), GridMaskBytes({}));

  // Select all, clear, then load the file saved above through the chooser.
  WriteMask(KeptMask(), {{5, 6}});
  hosttest::ClickButton(dialog, IDC_MASK_SELECT_ALL);
  hosttest::ClickButton(dialog, IDC_MASK_CLEAR);
  EXPECT_TRUE(PaintedCells(s.Frame()).empty());
  {
    hosttest::FileChooserAnswer answer(dialog, Wide(KeptMask()));
    hosttest::ClickButton(dialog, IDC_MASK_LOAD);
    ASSERT_EQ(answer.count(), 1u);
    EXPECT_EQ(answer.seen()[0].filter, L"Mask files (*.msk)");
  }
  EXPECT_EQ(PaintedCells(s.Frame()), (std::vector<std::pair<int, int>>{{5, 6}}));
  s.session().Close();
  EXPECT_NE(ReadFile(IniPath()).find("MaskFileName=" + KeptMask() + "\r\n"), std::string::npos);
}

TEST(MaskButtons, AFailedSaveNamesTheFileAndLeavesTheOldOneWhole) {
  Cleanup cleanup;
  const std::string old = GridMaskBytes({{2, 2}});
  WriteMask(KeptMask(), {{2, 2}});
  EditorSession s("MaskFileName=" + KeptMask() + "\r\n" + kOverlaySettings);
  ASSERT_TRUE(s.ok());
  HWND dialog = s.OpenDialog();
  ASSERT_NE(dialog, nullptr);
  // Nothing can be written beside the file: its temporary name is a folder.
  ASSERT_TRUE(CreateDirectoryA((KeptMask() + ".tmp").c_str(), nullptr));
  hosttest::ClickButton(dialog, IDC_MASK_SELECT_ALL);
  hosttest::MessageBoxCatcher boxes;
  hosttest::ClickButton(dialog, IDC_MASK_SAVE);
  ASSERT_TRUE(boxes.WaitForCount(1));
  const hosttest::SeenMessageBox box = boxes.boxes()[0];
  EXPECT_EQ(box.text, L"The mask could not be saved to " + Wide(KeptMask()));
  EXPECT_EQ(box.owner, dialog);
  EXPECT_TRUE(box.informationIcon);
  EXPECT_EQ(ReadFile(KeptMask()), old);
}

// The host closes the plug-in while a chooser of the dialog is up (here from a
// timer that the chooser's own message loop runs).
hostsim::HostSession* g_closing = nullptr;
HWND g_dialog = nullptr;
bool g_closed = false;

void CALLBACK CloseWhileChooserIsUp(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_closed || hosttest::OwnedDialogs(g_dialog).empty()) return;
  g_closed = true;
  KillTimer(nullptr, id);
  g_closing->Close();
}

TEST(MaskButtons, PluginCloseWhileAChooserIsUpSavesTheSettingsAndTouchesNothingGone) {
  Cleanup cleanup;
  EditorSession s("Sensitive=7\r\n" + std::string(kOverlaySettings));
  ASSERT_TRUE(s.ok());
  HWND dialog = s.OpenDialog();
  ASSERT_NE(dialog, nullptr);
  g_closing = &s.session();
  g_dialog = dialog;
  g_closed = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseWhileChooserIsUp);
  hosttest::ClickButton(dialog, IDC_MASK_LOAD);  // returns when the chooser has gone
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_closed);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(hosttest::OwnedDialogs(dialog).empty());
  const std::string ini = ReadFile(IniPath());
  EXPECT_NE(ini.find("Sensitive=7\r\n"), std::string::npos);
  EXPECT_NE(ini.find("DlgWndPosX=800\r\n"), std::string::npos);
  EXPECT_NE(ini.find("MaskFileName=\r\n"), std::string::npos);
}

}  // namespace
