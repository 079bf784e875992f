// The settings file as the real DLL reads and writes it through init and close:
// a first run, a hand-edited file, the action state, and a save that cannot finish.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host_session.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"

namespace {

using hosttest::BoxFrame;
using hosttest::IniPath;
using hosttest::PluginsFolder;
using hosttest::WriteBytes;

std::string TempPath() { return IniPath() + ".tmp"; }
std::string MaskPath() { return PluginsFolder() + "integration_all_cells.msk"; }

bool FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadBytes(const std::string& path, std::string* bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  std::fclose(f);
  return true;
}

// Removes what these tests write beside the DLL, however a test ends.
struct Cleanup {
  Cleanup() { Run(); }
  ~Cleanup() { Run(); }
  static void Run() {
    DeleteFileA(IniPath().c_str());
    DeleteFileA(TempPath().c_str());
    RemoveDirectoryA(TempPath().c_str());
    DeleteFileA(MaskPath().c_str());
  }
};

// The saved section with every value at its default, in saving order, written out
// here by hand so that the test does not depend on the writer it checks.
std::vector<std::pair<std::string, std::string>> DefaultLines() {
  return {{"DlgWndPosX", "-100"},      {"DlgWndPosY", "-100"},       {"ChannelIdx", "0"},
          {"MaskFileName", ""},        {"Sensitive", "10"},          {"FrameCounter", "1"},
          {"Duration", "10"},          {"ControlY", "1"},            {"ControlR", "0"},
          {"ControlG", "0"},           {"ControlB", "0"},            {"RecordEnable", "0"},
          {"RecordType", "0"},         {"RecordPause", "0"},         {"SoundEnable", "0"},
          {"SoundRepeatEnable", "0"},  {"SoundFileName", ""},        {"ProcessEnable", "0"},
          {"ProcessRepeatEnable", "0"}, {"ProcessFileName", ""},     {"FontName", "Arial"},
          {"FontSize", "-34"},         {"FontWeight", "700"},        {"FontItalic", "0"},
          {"FontUnderline", "1"},      {"FontStrikeOut", "0"},       {"FontCharSet", "1"},
          {"FontQuality", "4"},        {"TimeFormat", "%x %H:%M:%S"}, {"TextPos", "3"},
          {"TextColor", "12632256"},   {"TextOpacity", "50"},        {"GridColor", "65535"},
          {"GridOpacity", "30"},       {"InactiveColor", "8421504"}, {"InactiveOpacity", "0"},
          {"ActiveColor", "65280"},    {"ActiveOpacity", "30"},      {"DangerColor", "16711680"},
          {"DangerOpacity", "30"},     {"AlarmColor", "255"},        {"AlarmOpacity", "30"},
          {"ShowGrid", "1"},           {"ShowMask", "1"},            {"ShowTime", "1"},
          {"RecShowGrid", "0"},        {"RecShowMask", "0"},         {"RecShowTime", "1"},
          {"ActionTab", "0"},          {"VisualTab", "0"},           {"Action", "0"},
          {"ActionStopTime", "0"},     {"ExtThreadHandle", "0"},     {"ExtProcessHandle", "0"}};
}

void Set(std::vector<std::pair<std::string, std::string>>* lines, const std::string& key, const std::string& value) {
  for (auto& kv : *lines)
    if (kv.first == key) {
      kv.second = value;
      return;
    }
  ADD_FAILURE() << "no key " << key;
}

std::string Section(const std::vector<std::pair<std::string, std::string>>& lines) {
  std::string s = "[PluginSettings]\r\n";
  for (const auto& kv : lines) s += kv.first + "=" + kv.second + "\r\n";
  return s;
}

// Loads the DLL into a host with windows and the channels given; Init only.
void OpenAndInit(hostsim::HostSession* session, const std::vector<hostsim::ChannelSpec>& channels = {}) {
  hostsim::HostSessionOptions so;
  std::string error;
  ASSERT_TRUE(session->Open(so, &error)) << error;
  if (!channels.empty()) session->channels().SetChannels(channels);
  ASSERT_NE(session->Record(), nullptr);
  session->Init();
}

TEST(IntegrationSettings, FirstRunCreatesAnEmptyFileAndSavesEveryKeyInOrder) {
  Cleanup cleanup;
  ASSERT_FALSE(FileExists(IniPath()));
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenAndInit(&session));
  std::string bytes = "not read";
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes)) << "init creates the file";
  EXPECT_EQ(bytes, "");
  session.Close();
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes));
  const std::vector<std::pair<std::string, std::string>> lines = DefaultLines();
  ASSERT_EQ(lines.size(), 54u);
  EXPECT_EQ(bytes, Section(lines));
  EXPECT_FALSE(FileExists(TempPath()));
  session.Shutdown();
}

// Blank values, lower-case keys, keys outside the section, numbers with trailing
// letters, a channel pair with the top bit set and values above 2^31. The close runs
// with no recording guard pending, so the action state is forgotten: handles read from
// the file are dropped without being closed (here they name live handles of this process).
TEST(IntegrationSettings, HandEditedFileReadsByTheRulesAndHandlesAreNeverClosed) {
  Cleanup cleanup;
  HANDLE thread = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE process = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_NE(process, nullptr);
  const unsigned long threadValue = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(thread));
  const unsigned long processValue = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(process));
  char handles[96];
  std::snprintf(handles, sizeof handles, "ExtThreadHandle=%lu\r\nExtProcessHandle=%lu\r\n", threadValue, processValue);
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(),
             "Sensitive=3\r\n"  // before any header
             "\r\n"
             "[PluginSettings]\r\n"
             "DlgWndPosX=\r\n"
             "DlgWndPosY= 250\r\n"
             "ChannelIdx=-9223372032559808411\r\n"
             "sensitive=5\r\n"
             "FrameCounter=\r\n"
             "FrameCounter=4\r\n"  // the blank line above already ended the search
             "Duration=  7 s\r\n"
             "ShowGrid=1abc\r\n"
             "RecShowGrid=1abc\r\n"
             "ShowMask=0x1\r\n"
             "TimeFormat= %H\r\n"
             "FontSize=-12\r\n"
             "FontItalic=257\r\n"
             "TextColor=4294967295\r\n"
             "GridColor=3000000000\r\n"
             "TextOpacity=-5\r\n"
             "Action=2147483652\r\n"
             "ActionStopTime=4000000000\r\n" +
                 std::string(handles) +
                 "[Other]\r\n"
                 "ControlR=1\r\n"));
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenAndInit(&session));
  session.Close();
  std::string bytes;
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes));
  std::vector<std::pair<std::string, std::string>> lines = DefaultLines();
  Set(&lines, "DlgWndPosY", "250");
  Set(&lines, "ChannelIdx", "-9223372032559808411");
  Set(&lines, "Duration", "7");
  Set(&lines, "RecShowGrid", "1");
  Set(&lines, "ShowMask", "0");
  Set(&lines, "TimeFormat", " %H");
  Set(&lines, "FontSize", "-12");
  Set(&lines, "FontItalic", "1");
  Set(&lines, "TextColor", "4294967295");
  Set(&lines, "GridColor", "3000000000");
  Set(&lines, "TextOpacity", "-5");
  EXPECT_EQ(bytes, Section(lines));
  DWORD flags = 0;
  EXPECT_TRUE(GetHandleInformation(thread, &flags)) << "a handle value from the file was closed";
  EXPECT_TRUE(GetHandleInformation(process, &flags)) << "a handle value from the file was closed";
  CloseHandle(thread);
  CloseHandle(process);
  session.Shutdown();
}

// A 96 x 72 YUY2 frame: grey, with a bright 16 x 16 box at x.
// A video recording starts on an alarm just before the close: the recording guard keeps
// the action state, which is then saved with every value above 2^31 as it was or as the
// alarm made it.
TEST(IntegrationSettings, ActionStateAboveTwoToThe31SurvivesACloseUnderTheRecordingGuard) {
  Cleanup cleanup;
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(MaskPath()));
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), "[PluginSettings]\r\nMaskFileName=" + MaskPath() +
                            "\r\nChannelIdx=101\r\nRecordEnable=1\r\nRecordType=2\r\nDuration=10\r\n"
                            "Action=2147483648\r\nActionStopTime=4000000000\r\n"
                            "ExtThreadHandle=3000000001\r\nExtProcessHandle=4000000002\r\n"));
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenAndInit(&session, {{101, 0, "Camera"}}));
  qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  format.width = 96;
  format.height = 72;
  ASSERT_EQ(session.Start(format), 1);
  const DWORD before = GetTickCount();
  for (int i = 0; i < 34; ++i) {
    std::vector<uint8_t> pixels = BoxFrame(i < 32 ? 0 : 40);
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session.channels().Get(0);
    session.ProcessFrame(frame);
  }
  const DWORD after = GetTickCount();
  session.Close();
  hostsim::HostWindows::PumpMessages();
  std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].code, qlv::kCmdRecordStart);

  std::string bytes;
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes));
  auto value = [&](const std::string& key) -> std::string {
    const std::string k = "\r\n" + key + "=";
    const size_t at = bytes.find(k);
    if (at == std::string::npos) return "(missing)";
    const size_t start = at + k.size();
    return bytes.substr(start, bytes.find("\r\n", start) - start);
  };
  EXPECT_EQ(value("Action"), "2147483652");  // the high bit from the file and the video bit
  const unsigned long stop = std::strtoul(value("ActionStopTime").c_str(), nullptr, 10);
  EXPECT_GE(stop, before + 10000ul);
  EXPECT_LE(stop, after + 10000ul);
  EXPECT_EQ(value("ExtThreadHandle"), "3000000001");
  EXPECT_EQ(value("ExtProcessHandle"), "4000000002");
  EXPECT_EQ(value("ChannelIdx"), "101");
  session.Shutdown();
}

// The temporary file of the save cannot be created (a folder holds its name): the
// close gives up and the old file keeps every byte.
TEST(IntegrationSettings, SaveThatCannotWriteLeavesTheOldFileByteIdentical) {
  Cleanup cleanup;
  const std::string old = "; kept\r\n[PluginSettings]\r\nSensitive=5\r\nShowGrid=0\r\n\r\n[Other]\r\nx=1";
  ASSERT_NO_FATAL_FAILURE(WriteBytes(IniPath(), old));
  ASSERT_TRUE(CreateDirectoryA(TempPath().c_str(), nullptr));
  hostsim::HostSession session;
  ASSERT_NO_FATAL_FAILURE(OpenAndInit(&session));
  session.Close();
  std::string bytes;
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes));
  EXPECT_EQ(bytes, old);
  const DWORD a = GetFileAttributesA(TempPath().c_str());
  EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) << "the folder in the way is left alone";
  session.Shutdown();
  RemoveDirectoryA(TempPath().c_str());

  // Once the way is free, the next close saves the values read from the old file.
  hostsim::HostSession again;
  ASSERT_NO_FATAL_FAILURE(OpenAndInit(&again));
  again.Close();
  ASSERT_TRUE(ReadBytes(IniPath(), &bytes));
  std::vector<std::pair<std::string, std::string>> lines = DefaultLines();
  Set(&lines, "Sensitive", "5");
  Set(&lines, "ShowGrid", "0");
  EXPECT_EQ(bytes, Section(lines));
  again.Shutdown();
}

}  // namespace
