#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "failing_ini_store.h"
#include "settings/ini_store.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;

class IniStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qlv_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    store_.location.fullPath = (dir_ / "QPM_QLVGuard.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteRaw(const std::string& bytes) {
    std::ofstream f(store_.location.fullPath, std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  std::string ReadRaw() const {
    std::ifstream f(store_.location.fullPath, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  SettingsRecord ReadAll(const std::string& bytes) {
    WriteRaw(bytes);
    SettingsRecord r;
    r.Sensitive = 999;  // proves that every field is assigned by the read
    EXPECT_TRUE(store_.Open(false));
    store_.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
    store_.Close();
    return r;
  }

  fs::path dir_;
  FailingIniStore store_;
};

TEST(IniDecimal, SignModuloAndGarbage) {
  struct Case { const char* text; uint64_t value; };
  const Case cases[] = {
      {"4294967295", 4294967295u},      {"-1", ~uint64_t{0}},           {"+7", 7},
      {"  -12x", uint64_t{0} - 12},     {"", 0},                        {"x1", 0},
      {"- 5", 0},                       {"\t 12", 12},                  {"1abc", 1},
      {"18446744073709551617", 1},      {"4294967297", 4294967297u},    {"007", 7},
      {"-9223372036854775808", uint64_t{1} << 63},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
}

TEST(IniDecimal, TextFormOfEveryCode) {
  struct Case { uint32_t code; uint64_t value; const char* text; };
  const Case cases[] = {
      {0, 0x1FF, "255"},
      {1, 0xFFFF, "-1"},
      {2, 0x10001, "1"},
      {3, 0xFFFF, "65535"},
      {4, 1, "1"},
      {5, 0xFFFFFFFFu, "4294967295"},
      {6, 0xFFFFFFFFu, "-1"},
      {6, ~uint64_t{0} - 33, "-34"},
      {7, 0x80000000u, "2147483648"},
      {8, 0x80000000u, "-2147483648"},
      {9, 12632256, "12632256"},
      {10, uint64_t{1} << 63, "-9223372036854775808"},
      {10, (uint64_t{0x80000001} << 32) | 5, "-9223372032559808507"},
      {11, ~uint64_t{0}, "18446744073709551615"},
      {13, 5, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.code, c.value), c.text) << "code " << c.code;
}

TEST_F(IniStoreTest, OpenForReadingCreatesMissingFileAndNeverTruncates) {
  ASSERT_FALSE(fs::exists(store_.location.fullPath));
  ASSERT_TRUE(store_.Open(false));
  store_.Close();
  ASSERT_TRUE(fs::exists(store_.location.fullPath));
  EXPECT_EQ(fs::file_size(store_.location.fullPath), 0u);

  WriteRaw("[PluginSettings]\r\nSensitive=3\r\n");
  ASSERT_TRUE(store_.Open(false));
  int32_t v = 0;
  store_.ReadInt("PluginSettings", "Sensitive", &v, -1);
  store_.Close();
  EXPECT_EQ(v, 3);
  EXPECT_EQ(ReadRaw(), "[PluginSettings]\r\nSensitive=3\r\n");
}

TEST_F(IniStoreTest, MissingFolderReadsDefaultsAndSavesNothing) {
  store_.location.fullPath = (dir_ / "absent" / "x.ini").string();
  EXPECT_FALSE(store_.Open(false));
  SettingsRecord r;
  r.Duration = 77;
  store_.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
  EXPECT_EQ(r.Duration, 10);
  int32_t x = 5;
  store_.ReadInt("PluginSettings", "DlgWndPosX", &x, -100);
  EXPECT_EQ(x, -100);
  EXPECT_FALSE(store_.Open(true));
  EXPECT_FALSE(fs::exists(dir_ / "absent"));
}

TEST_F(IniStoreTest, EmptyPathNeverOpens) {
  store_.location.fullPath.clear();
  EXPECT_FALSE(store_.Open(false));
  EXPECT_FALSE(store_.Open(true));
}

TEST_F(IniStoreTest, ValuesAsTheReaderSeesThem) {
  const SettingsRecord r = ReadAll(
      "Duration=3\r\n"                      // before any header: not ours
      "[PluginSettings]\r\n"
      "sensitive=7\r\n"                     // keys are case-sensitive
      "FontName=\r\n"                       // empty value: the default
      "ShowGrid=1abc\r\n"                   // digits then letters
      "ShowMask=abc\r\n"                    // letters only: 0, not the default
      "  FrameCounter  = 12\r\n"            // blanks around the key, blank before the value
      "TimeFormat= %H:%M\r\n"               // text keeps its leading blank
      "SoundFileName=a.wav  \r\n"           // and its trailing blanks
      "\r\n"
      "   \r\n"
      "; ProcessFileName=notepad\r\n"      // no comment syntax: just another key
      "no equals sign here\r\n"
      "RecordType=-1\r\n"
      "GridColor=4294967295\r\n"
      "FontItalic=257\r\n"                  // kept to 8 bits
      "[Other]\r\n"
      "Sensitive=4\r\n");
  EXPECT_EQ(r.Duration, 10);
  EXPECT_EQ(r.Sensitive, 10);
  EXPECT_EQ(r.FontName, "Arial");
  EXPECT_EQ(r.ShowGrid, 1u);
  EXPECT_EQ(r.ShowMask, 0u);
  EXPECT_EQ(r.FrameCounter, 12);
  EXPECT_EQ(r.TimeFormat, " %H:%M");
  EXPECT_EQ(r.SoundFileName, "a.wav  ");
  EXPECT_EQ(r.ProcessFileName, "");
  EXPECT_EQ(r.RecordType, -1);
  EXPECT_EQ(r.GridColor, 0xFFFFFFFFu);
  EXPECT_EQ(r.FontItalic, 1u);
  EXPECT_EQ(r.ShowTime, 1u);  // absent: default
}

TEST_F(IniStoreTest, EmptyValueEndsTheSearchForThatKey) {
  const SettingsRecord r = ReadAll("[PluginSettings]\r\nSensitive=\r\nSensitive=5\r\nDuration=4\r\n");
  EXPECT_EQ(r.Sensitive, 10);
  EXPECT_EQ(r.Duration, 4);
}

TEST_F(IniStoreTest, BlankNumberReadsAndLineEndsOfBothKinds) {
  EXPECT_EQ(ReadAll("[PluginSettings]\r\nSensitive= 12\r\n").Sensitive, 12);
  EXPECT_EQ(ReadAll("[PluginSettings]\nSensitive=13\nDuration=2").Sensitive, 13);
  EXPECT_EQ(ReadAll("[PluginSettings]\nSensitive=13\nDuration=2").Duration, 2);
  // A header with blanks around it is still the header; blanks inside the brackets are not.
  EXPECT_EQ(ReadAll("  [PluginSettings] \t\r\nSensitive=8\r\n").Sensitive, 8);
  EXPECT_EQ(ReadAll("[ PluginSettings ]\r\nSensitive=8\r\n").Sensitive, 10);
  EXPECT_EQ(ReadAll("[pluginsettings]\r\nSensitive=8\r\n").Sensitive, 10);
}

TEST_F(IniStoreTest, BlankFileIsAnEmptyFile) {
  const SettingsRecord r = ReadAll("\r\n  \r\n\t\r\n");
  const SettingsRecord d;
  for (const SettingsEntry& e : kSettingsTable) {
    if (e.code == kText) {
      SettingsRecord& rr = const_cast<SettingsRecord&>(r);
      SettingsRecord& dd = const_cast<SettingsRecord&>(d);
      EXPECT_EQ(*static_cast<std::string*>(e.field(rr)), *static_cast<std::string*>(e.field(dd))) << e.key;
    } else {
      EXPECT_EQ(LoadNumber(e, r), LoadNumber(e, d)) << e.key;
    }
  }
}

TEST_F(IniStoreTest, CircularSearchAndDuplicateSections) {
  WriteRaw(
      "[PluginSettings]\r\nSensitive=3\r\n"
      "[Mid]\r\nDlgWndPosX=4\r\n"
      "[PluginSettings]\r\nSensitive=5\r\nFrameCounter=6\r\n");
  ASSERT_TRUE(store_.Open(false));
  int32_t v = 0;
  store_.ReadInt("PluginSettings", "Sensitive", &v, -1);
  EXPECT_EQ(v, 3);  // the first section, found from the start
  store_.ReadInt("PluginSettings", "FrameCounter", &v, -1);
  EXPECT_EQ(v, -1);  // the search stays with the section found last
  store_.ReadInt("Mid", "DlgWndPosX", &v, -1);
  EXPECT_EQ(v, 4);
  store_.ReadInt("PluginSettings", "Sensitive", &v, -1);
  EXPECT_EQ(v, 5);  // the first header at or after [Mid]
  store_.ReadInt("PluginSettings", "FrameCounter", &v, -1);
  EXPECT_EQ(v, 6);
  store_.ReadInt("Mid", "DlgWndPosX", &v, -1);
  EXPECT_EQ(v, 4);  // wraps round to the start
  store_.ReadInt("Absent", "DlgWndPosX", &v, -1);
  EXPECT_EQ(v, -1);
  store_.Close();

  // A fresh open starts from the beginning again.
  ASSERT_TRUE(store_.Open(false));
  store_.ReadInt("PluginSettings", "Sensitive", &v, -1);
  EXPECT_EQ(v, 3);
  store_.Close();
}

TEST_F(IniStoreTest, LargeUnsignedAndTopBitChannelRoundTrip) {
  SettingsRecord w;
  w.ChannelIdx = static_cast<int64_t>((uint64_t{0x80000001} << 32) | 5);
  w.Action = 0xFFFFFFFFu;
  w.ActionStopTime = 4000000000u;
  w.ExtTask.hThread = 0x80000000u;
  w.ExtTask.hProcess = 0xFFFFFFFEu;
  w.ExtTask.processId = 77;  // not persisted
  w.FontSize = -34;
  ASSERT_TRUE(store_.Open(true));
  store_.WriteTable(kSettingsTable, kSettingsCount, w);
  ASSERT_TRUE(store_.Close());
  const std::string text = ReadRaw();
  EXPECT_NE(text.find("ChannelIdx=-9223372032559808507\r\n"), std::string::npos);
  EXPECT_NE(text.find("Action=4294967295\r\n"), std::string::npos);
  EXPECT_NE(text.find("ExtThreadHandle=2147483648\r\nExtProcessHandle=4294967294\r\n"), std::string::npos);

  SettingsRecord r;
  ASSERT_TRUE(store_.Open(false));
  store_.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
  store_.Close();
  // No header was written: nothing is found.
  EXPECT_EQ(r.Action, 0u);

  ASSERT_TRUE(store_.Open(true));
  store_.WriteSectionHeader("PluginSettings");
  store_.WriteTable(kSettingsTable, kSettingsCount, w);
  ASSERT_TRUE(store_.Close());
  ASSERT_TRUE(store_.Open(false));
  store_.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
  store_.Close();
  EXPECT_EQ(r.ChannelId0(), 5u);
  EXPECT_EQ(r.ChannelId1(), 0x80000001u);
  EXPECT_EQ(r.Action, 0xFFFFFFFFu);
  EXPECT_EQ(r.ActionStopTime, 4000000000u);
  EXPECT_EQ(r.ExtTask.hThread, 0x80000000u);
  EXPECT_EQ(r.ExtTask.hProcess, 0xFFFFFFFEu);
  EXPECT_EQ(r.ExtTask.processId, 0u);
  EXPECT_EQ(r.FontSize, -34);
}

// Type codes 1, 2, 3, 11 and above 12 are not in the settings table; a table of
// their own shows their text forms and that unknown codes are skipped both ways.
TEST_F(IniStoreTest, UnusedAndUnknownCodes) {
  std::vector<SettingsEntry> table = {
      {1, " Signed16 ", [](SettingsRecord& r) -> void* { return &r.FontItalic; }, 0, 0, nullptr},
      {11, "Unsigned64", [](SettingsRecord& r) -> void* { return &r.ChannelIdx; }, 9, 0, nullptr},
      {13, "Unknown", [](SettingsRecord& r) -> void* { return &r.Sensitive; }, 1, 0, nullptr},
      {2, "Unsigned16", [](SettingsRecord& r) -> void* { return &r.Duration; }, 0, 0, nullptr},
  };
  SettingsRecord w;
  w.FontItalic = 0xFF;
  w.FontUnderline = 0xFF;  // the 16-bit field spans both bytes
  w.ChannelIdx = -1;
  w.Sensitive = 1234;
  w.Duration = 70000;
  ASSERT_TRUE(store_.Open(true));
  store_.WriteSectionHeader("  S  ");
  store_.WriteTable(table.data(), table.size(), w);
  ASSERT_TRUE(store_.Close());
  EXPECT_EQ(ReadRaw(), "[S]\r\nSigned16=-1\r\nUnsigned64=18446744073709551615\r\nUnsigned16=4464\r\n");

  WriteRaw("[S]\r\nSigned16=70000\r\nUnsigned64=\r\nUnknown=5\r\nUnsigned16=-1\r\n");
  SettingsRecord r;
  r.Sensitive = 4321;
  ASSERT_TRUE(store_.Open(false));
  store_.ReadTable("S", table.data(), table.size(), r);
  store_.Close();
  EXPECT_EQ(r.FontItalic, 0x70);  // 70000 = 0x11170, low 16 bits 0x1170
  EXPECT_EQ(r.FontUnderline, 0x11);
  EXPECT_EQ(r.ChannelIdx, 9);
  EXPECT_EQ(r.Sensitive, 4321);  // skipped, not even defaulted
  EXPECT_EQ(static_cast<uint32_t>(r.Duration) & 0xFFFFu, 0xFFFFu);
}

TEST_F(IniStoreTest, SaveReplacesOnlyAfterACompleteWrite) {
  WriteRaw("OLD CONTENT\r\n");
  for (int64_t limit : {int64_t{0}, int64_t{1}, int64_t{20}, int64_t{500}}) {
    ASSERT_TRUE(store_.Open(true));
    store_.WriteSectionHeader("PluginSettings");
    store_.WriteInt("DlgWndPosX", -100);
    store_.WriteTable(kSettingsTable, kSettingsCount, SettingsRecord());
    store_.SetWriteFailureAfter(limit);
    EXPECT_FALSE(store_.Close()) << limit;
    EXPECT_EQ(ReadRaw(), "OLD CONTENT\r\n") << limit;
    EXPECT_FALSE(fs::exists(store_.TempPath())) << limit;
  }
  store_.SetWriteFailureAfter(-1);
  ASSERT_TRUE(store_.Open(true));
  store_.WriteSectionHeader("PluginSettings");
  store_.WriteInt("DlgWndPosX", -7);
  EXPECT_EQ(ReadRaw(), "OLD CONTENT\r\n");  // nothing reaches the file before the commit
  ASSERT_TRUE(store_.Close());
  EXPECT_EQ(ReadRaw(), "[PluginSettings]\r\nDlgWndPosX=-7\r\n");
  EXPECT_FALSE(fs::exists(store_.TempPath()));
}

TEST_F(IniStoreTest, AbandonedWriteLeavesTheOldFile) {
  WriteRaw("KEEP\r\n");
  {
    IniStore s;
    s.location.fullPath = store_.location.fullPath;
    ASSERT_TRUE(s.Open(true));
    s.WriteSectionHeader("PluginSettings");
  }  // destroyed mid-save, as a crash would leave it
  EXPECT_EQ(ReadRaw(), "KEEP\r\n");
  EXPECT_FALSE(fs::exists(store_.TempPath()));
}

}  // namespace
}  // namespace qlv
