// The mask buttons and the editor's click, with the choosers answered by the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_common_dialogs.h"
#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "plugin/plugin.h"
#include "ui/mask_commands.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;
using testing_support::FakeCommonDialogs;
using testing_support::FakePlatform;

TEST(MaskClick, CellUnderAClientPoint) {
  struct Case {
    int32_t x, y, w, h, columns, rows;
    bool inside;
    int32_t column, row;
  };
  const Case cases[] = {
      {719, 575, 720, 576, 24, 18, true, 23, 17},
      {30, 32, 720, 576, 24, 18, true, 1, 1},
      {0, 0, 720, 576, 24, 18, true, 0, 0},
      {29, 31, 720, 576, 24, 18, true, 0, 0},
      {720, 10, 720, 576, 24, 18, false, 0, 0},  // x = width is outside the client area
      {10, 576, 720, 576, 24, 18, false, 0, 0},
      {-1, 10, 720, 576, 24, 18, false, 0, 0},
      {10, 10, 720, 576, 0, 0, false, 0, 0},     // no grid yet
      {0, 0, 0, 0, 24, 18, false, 0, 0},         // a window without a client area
      {359, 287, 720, 576, 256, 256, true, 127, 127},
  };
  for (const Case& c : cases) {
    const std::optional<MaskCell> cell = CellAtClientPoint(c.x, c.y, c.w, c.h, c.columns, c.rows);
    ASSERT_EQ(cell.has_value(), c.inside) << c.x << "," << c.y;
    if (c.inside) {
      EXPECT_EQ(*cell, (MaskCell{c.column, c.row})) << c.x << "," << c.y;
    }
  }
}

class MaskCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const SettingsLocation loc = testing_support::FreshSettingsFolder("qlv_mask_cmd_", &dir_);
    plugin_.Init(nullptr, 0, loc);
    window_.owner = 0x777;
    window_.stillOpen = [this] { return open_; };
    window_.showPath = [this] { ++pathShown_; };
    window_.saveFailed = [this](const std::string& p) { failures_.push_back(p); };
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  static std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  std::vector<uint8_t> Flags() { return plugin_.Mask().watch; }
  std::string MaskPath() { return plugin_.Setting(&SettingsRecord::MaskFileName); }
  // Files other than the settings file that Init creates.
  int MaskFiles() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) n += e.path().extension() != ".ini";
    return n;
  }

  FakePlatform platform_;
  Plugin plugin_{platform_};
  FakeCommonDialogs dialogs_;
  MaskCommands commands_{plugin_, dialogs_};
  MaskCommands::Window window_;
  bool open_ = true;
  int pathShown_ = 0;
  std::vector<std::string> failures_;
  fs::path dir_;
};

TEST_F(MaskCommandsTest, ClicksAndButtonsEditTheGridInMemoryOnly) {
  ASSERT_EQ(Flags().size(), 432u);
  commands_.ToggleAt(719, 575, 720, 576);
  commands_.ToggleAt(30, 32, 720, 576);
  commands_.ToggleAt(720, 32, 720, 576);  // outside: nothing
  std::vector<uint8_t> expect(432, 0);
  expect[17 * 24 + 23] = 1;
  expect[1 * 24 + 1] = 1;
  EXPECT_EQ(Flags(), expect);
  commands_.ToggleAt(30, 32, 720, 576);  // the same cell again restores it
  expect[1 * 24 + 1] = 0;
  EXPECT_EQ(Flags(), expect);

  const std::vector<uint8_t> before = Flags();
  commands_.Invert();
  EXPECT_EQ(Flags()[0], 1);
  EXPECT_EQ(Flags()[17 * 24 + 23], 0);
  commands_.Invert();
  EXPECT_EQ(Flags(), before);
  commands_.SelectAll();
  EXPECT_EQ(Flags(), std::vector<uint8_t>(432, 1));
  commands_.Clear();
  EXPECT_EQ(Flags(), std::vector<uint8_t>(432, 0));
  // None of them asks anything, names a file or writes one.
  EXPECT_TRUE(dialogs_.fileCalls.empty());
  EXPECT_EQ(MaskPath(), "");
  EXPECT_EQ(pathShown_, 0);
  EXPECT_EQ(MaskFiles(), 0);
}

TEST_F(MaskCommandsTest, UnnamedSaveAsksOnceThenSavesWithoutAsking) {
  commands_.ToggleAt(0, 0, 720, 576);
  dialogs_.fileAnswers.push_back(std::nullopt);  // cancelled: nothing happens
  commands_.Save(window_);
  ASSERT_EQ(dialogs_.fileCalls.size(), 1u);
  EXPECT_EQ(MaskPath(), "");
  EXPECT_EQ(MaskFiles(), 0);

  const std::string path = File("first.msk");
  dialogs_.fileAnswers.push_back(path);
  commands_.Save(window_);
  ASSERT_EQ(dialogs_.fileCalls.size(), 2u);
  const FakeCommonDialogs::FileCall& call = dialogs_.fileCalls[1];
  EXPECT_TRUE(call.save);
  EXPECT_EQ(call.owner, 0x777u);
  EXPECT_EQ(call.choice.filterText, "Mask files (*.msk)");
  EXPECT_EQ(call.choice.pattern, "*.msk");
  EXPECT_EQ(call.choice.defaultExtension, "msk");
  EXPECT_EQ(MaskPath(), path);
  EXPECT_EQ(pathShown_, 1);
  std::vector<uint8_t> bytes = Read(path);
  ASSERT_EQ(bytes.size(), 442u);
  EXPECT_EQ(bytes[10], 1);

  commands_.ToggleAt(719, 575, 720, 576);
  commands_.Save(window_);
  EXPECT_EQ(dialogs_.fileCalls.size(), 2u);  // named now: no chooser
  bytes = Read(path);
  ASSERT_EQ(bytes.size(), 442u);
  EXPECT_EQ(bytes[10 + 431], 1);
  EXPECT_TRUE(failures_.empty());

  // Load through the chooser: the path is shown, the grid rebuilt from the file.
  commands_.Clear();
  dialogs_.fileAnswers.push_back(path);
  commands_.Load(window_);
  ASSERT_EQ(dialogs_.fileCalls.size(), 3u);
  EXPECT_FALSE(dialogs_.fileCalls[2].save);
  EXPECT_EQ(dialogs_.fileCalls[2].choice.filterText, "Mask files (*.msk)");
  EXPECT_EQ(pathShown_, 2);
  EXPECT_EQ(Flags()[0], 1);
  EXPECT_EQ(Flags()[431], 1);
}

TEST_F(MaskCommandsTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
  const std::string path = File("kept.msk");
  std::vector<uint8_t> old = {0x03, 0x02, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size()));
  }
  plugin_.SetSetting(&SettingsRecord::MaskFileName, path);
  fs::create_directory(path + ".tmp");  // nothing new can be written beside it
  commands_.SelectAll();
  commands_.Save(window_);
  EXPECT_EQ(failures_, std::vector<std::string>{path});
  EXPECT_EQ(Read(path), old);
  EXPECT_TRUE(dialogs_.fileCalls.empty());

  // A name chosen in a folder that does not exist fails the same way, named.
  const std::string missing = File("no_such_folder/m.msk");
  dialogs_.fileAnswers.push_back(missing);
  commands_.SaveAs(window_);
  EXPECT_EQ(failures_.back(), missing);
  EXPECT_EQ(MaskPath(), missing);
}

// The dialog, perhaps the plug-in, went while the chooser was up: its answer
// changes nothing.
TEST_F(MaskCommandsTest, AnAnswerAfterTheDialogWentIsDropped) {
  const std::string path = File("late.msk");
  dialogs_.whileOpen = [this] {
    open_ = false;
    plugin_.Close();
  };
  dialogs_.fileAnswers.push_back(path);
  commands_.SaveAs(window_);
  dialogs_.fileAnswers.push_back(path);
  commands_.Load(window_);
  EXPECT_EQ(dialogs_.fileCalls.size(), 2u);
  EXPECT_EQ(MaskPath(), "");
  EXPECT_EQ(pathShown_, 0);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(Flags().empty());  // closed: the cells stay released
}

}  // namespace
}  // namespace qlv
