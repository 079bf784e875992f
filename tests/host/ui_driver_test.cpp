// hostsim --at against the real DLL: actions posted by the frame thread and run on the
// interface thread between frames, on the settings dialog and the detector tuning
// window as a user would use them; what a user could not do is refused with the reason,
// and message boxes are read and closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "frame_source.h"
#include "host_session.h"
#include "player.h"
#include "plugin_files.h"
#include "res/resource.h"
#include "ui_actions.h"
#include "ui_driver.h"

namespace {

using hosttest::SavedValue;

std::vector<hostsim::UiAction> Actions(const std::vector<std::string>& specs) {
  std::vector<hostsim::UiAction> actions;
  for (const std::string& s : specs) {
    hostsim::UiAction a;
    std::string error;
    EXPECT_TRUE(hostsim::ParseUiAction(s, &a, &error)) << error;
    actions.push_back(a);
  }
  return actions;
}

// `frames` still frames of the small test picture, back to back.
void WriteClip(std::FILE* f, int frames) {
  const std::vector<uint8_t> frame = hosttest::BoxFrame(0);
  for (int i = 0; i < frames; ++i) std::fwrite(frame.data(), 1, frame.size(), f);
}

bool IsBoxLine(const std::string& line) { return line.find(": message box \"") != std::string::npos; }

TEST(UiDriver, ActionsReachThePluginsWindowsBetweenFramesOrSayWhyNot) {
  const std::string mask = hosttest::PluginsFolder() + "ui_driver_all.msk";
  hosttest::SettingsAndMaskRemoved cleanup(mask);
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(mask));
  ASSERT_NO_FATAL_FAILURE(
      hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\nChannelIdx=101\r\nMaskFileName=" + mask + "\r\n"));
  hostsim::HostSession session;
  hostsim::HostSessionOptions so;
  so.windows.visible = true;
  std::string error;
  ASSERT_TRUE(session.Open(so, &error)) << error;
  session.channels().SetChannels({{101, 0, "Camera"}});
  qlv::PluginRecord* record = session.Record();
  ASSERT_NE(record, nullptr);
  session.Init();

  std::vector<std::string> log;
  hostsim::UiDriver ui(session,
                       Actions({"1:tuning", "2:settings", "3:tuning", "4:text=IDC_LIGHT_CHANGE_PERCENT_EDIT=40",
                                "5:text=IDC_MIN_ALARM_CELLS_EDIT=999999", "6:press=IDC_CONTROL_R",
                                "6:press=IDC_SOUND_STOP", "7:press=IDC_CURRENT_CHANNEL", "7:text=IDC_MASK_FILE=x.msk",
                                "8:text=IDC_CONTROL_G=1", "9:press=IDC_ABOUT", "100:settings"}),
                       [&log](const std::string& line) { log.push_back(line); });
  ASSERT_TRUE(ui.Create());

  std::FILE* input = std::tmpfile();
  ASSERT_NE(input, nullptr);
  WriteClip(input, 40);
  std::rewind(input);
  hostsim::FrameLayout layout;
  layout.width = 96;
  layout.height = 72;
  hostsim::FrameSource source(input, layout);
  hostsim::Player player(*record, session.windows(), [&](int64_t) { return session.channels().Get(0); });
  hostsim::PlayerConfig pc;
  pc.layout = layout;
  pc.afterFrame = [&ui](int64_t frame) { ui.PostFrame(frame); };
  const hostsim::PlayerResult result = player.Play(source, pc, hostsim::PlayerOutputs());
  ui.Finish(result.frames - 1);
  std::fclose(input);
  EXPECT_EQ(result.frames, 40);

  // The refusal of a cell count beyond the grid's 432, then the about box: each read and closed.
  ASSERT_EQ(ui.boxes().size(), 2u);
  EXPECT_NE(ui.boxes()[1].text.find("QPM_QLVGuard plugin"), std::string::npos) << ui.boxes()[1].text;
  EXPECT_GE(ui.boxes()[0].frame, 5);
  EXPECT_GE(ui.boxes()[1].frame, ui.boxes()[0].frame);
  // A box holds up the actions after it, as it would a user: the next one runs once it is closed.
  for (std::string& line : log)
    if (IsBoxLine(line)) line = "frame ?" + line.substr(line.find(": message box"));
  EXPECT_EQ(log, (std::vector<std::string>{
                     "frame 1: press IDC_TUNING: not done, the settings dialog is not open",
                     "frame 2: settings",
                     "frame 3: press IDC_TUNING",
                     "frame 4: text IDC_LIGHT_CHANGE_PERCENT_EDIT=\"40\"",
                     "frame 5: text IDC_MIN_ALARM_CELLS_EDIT=\"999999\"",
                     "frame ?: message box \"The number of cells for an alarm should be a number from 1 to 432\", "
                     "closed with OK",
                     "frame 6: press IDC_CONTROL_R",
                     "frame 6: press IDC_SOUND_STOP: not done, the control is hidden",  // on the sound page
                     "frame 7: press IDC_CURRENT_CHANNEL: not done, the control is no button",
                     "frame 7: text IDC_MASK_FILE=\"x.msk\": not done, the edit is read-only",
                     "frame 8: text IDC_CONTROL_G=\"1\": not done, the control is no edit",
                     "frame 9: press IDC_ABOUT",
                     "frame ?: message box \"" + ui.boxes().back().text + "\", closed with OK",
                     "frame 100: settings: not done, not reached, the last frame was 39",
                 }));
  EXPECT_EQ(ui.failures(), 6u);

  std::string text;
  EXPECT_TRUE(ui.ControlText(IDC_LIGHT_CHANGE_PERCENT_EDIT, &text));
  EXPECT_EQ(text, "40");
  EXPECT_TRUE(ui.ControlText(IDC_MIN_ALARM_CELLS_EDIT, &text));
  EXPECT_EQ(text, "1") << "the refused entry gave way to the stored value";
  // The settings dialog's own windows come last: the tuning window is searched first.
  const std::vector<HWND> windows = ui.PluginWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(GetWindow(windows[0], GW_OWNER), windows[1]);
  EXPECT_EQ(GetWindow(windows[1], GW_OWNER), session.windows().mainWindow());

  // A disabled control is not pressed.
  HWND blue = ui.FindControl(IDC_CONTROL_B);
  ASSERT_NE(blue, nullptr);
  EnableWindow(blue, FALSE);
  const hostsim::UiDriver::Outcome disabled = ui.Run(Actions({"50:press=IDC_CONTROL_B"})[0]);
  EXPECT_FALSE(disabled.done);
  EXPECT_EQ(disabled.why, "the control is disabled");
  EXPECT_EQ(SendMessageW(blue, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  session.Close();
  hostsim::HostWindows::PumpMessages();
  EXPECT_TRUE(ui.PluginWindows().empty());
  EXPECT_FALSE(ui.ControlText(IDC_LIGHT_CHANGE_PERCENT_EDIT, &text));
  EXPECT_EQ(SavedValue("LightChangePercent"), "40");
  EXPECT_EQ(SavedValue("ControlR"), "1");
  EXPECT_EQ(SavedValue("ControlB"), "0");
  EXPECT_EQ(SavedValue("MinAlarmCells"), "(missing)") << "at its default";
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// hostsim.exe itself: the actions in its log in order, among them a run of the tuning
// window started and cancelled, the window's result text on one line at the end, and exit
// code 3 for the actions not done.
TEST(UiDriver, HostsimLogsItsActionsAndTheTuningResult) {
  const std::string folder = hostsim::ExecutableFolder();
  const std::string clip = folder + "ui_driver_clip.yuv";
  const std::string output = folder + "ui_driver_hostsim.log";
  struct Removed {
    std::vector<std::string> files;
    ~Removed() {
      for (const std::string& f : files) DeleteFileA(f.c_str());
    }
  } removed{{clip, output, hosttest::IniPath()}};
  DeleteFileA(hosttest::IniPath().c_str());
  std::FILE* f = std::fopen(clip.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  WriteClip(f, 30);
  std::fclose(f);

  hosttest::ChildProcess host;
  ASSERT_TRUE(host.StartWithOutput(folder + "hostsim.exe",
                                   "--input \"" + clip +
                                       "\" --format yuy2 --size 96x72 --fps 0 --channels 1:0:Camera "
                                       "--at 60:settings --at 3:settings --at 6:tuning "
                                       "--at 9:text=IDC_LIGHT_CHANGE_PERCENT_EDIT=40 --at 10:press=IDC_TUNE_CANCEL "
                                       "--at 12:press=IDC_TUNE_QUIET --at 14:press=IDC_TUNE_CANCEL",
                                   output));
  DWORD code = 0;
  ASSERT_TRUE(host.Wait(120000, &code));
  EXPECT_EQ(code, 3u);

  std::vector<std::string> ours;
  for (const std::string& line : ReadLines(output))
    if (line.compare(0, 6, "frame ") == 0 || line.compare(0, 15, "tuning result: ") == 0 ||
        line.compare(0, 13, "--at actions:") == 0)
      ours.push_back(line);
  EXPECT_EQ(ours, (std::vector<std::string>{
                      "frame 3: settings",
                      "frame 6: press IDC_TUNING",
                      "frame 9: text IDC_LIGHT_CHANGE_PERCENT_EDIT=\"40\"",
                      "frame 10: press IDC_TUNE_CANCEL: not done, the control is disabled",  // no run yet
                      "frame 12: press IDC_TUNE_QUIET",
                      "frame 14: press IDC_TUNE_CANCEL",
                      "frame 60: settings: not done, not reached, the last frame was 29",
                      "tuning result: The run was cancelled. | Quiet scene: not learned yet | Motion: not learned yet",
                      "--at actions: 5 done, 2 not",
                  }));
  EXPECT_EQ(SavedValue("LightChangePercent"), "40");
}

}  // namespace
