// The action pages' rules and commands, with the choosers answered by the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fake_common_dialogs.h"
#include "fake_platform.h"
#include "fresh_settings_folder.h"
#include "plugin/plugin.h"
#include "res/resource.h"
#include "ui/action_commands.h"
#include "ui/file_action_pages.h"

namespace qlv {
namespace {

namespace fs = std::filesystem;
using testing_support::FakeCommonDialogs;
using testing_support::FakePlatform;
using R = ActionPageReload;

TEST(ActionPageRules, ReloadsIconsAndListItems) {
  EXPECT_EQ(ActionPageReloads(SoundPageSpec(), 0), (std::vector<R>{R::EnableCheck, R::FileField, R::RepeatIcon}));
  EXPECT_EQ(ActionPageReloads(SoundPageSpec(), 8), std::vector<R>{R::FileField});
  EXPECT_EQ(ActionPageReloads(SoundPageSpec(), 9), std::vector<R>{R::RepeatIcon});
  EXPECT_EQ(ActionPageReloads(TaskPageSpec(), 0), (std::vector<R>{R::EnableCheck, R::FileField, R::RepeatIcon}));
  EXPECT_EQ(ActionPageReloads(TaskPageSpec(), 10), std::vector<R>{R::FileField});
  EXPECT_EQ(ActionPageReloads(TaskPageSpec(), 11), std::vector<R>{R::RepeatIcon});
  // Each page takes only its own kinds.
  for (uint32_t k : {2u, 5u, 6u, 7u, 10u, 11u, 12u}) EXPECT_TRUE(ActionPageReloads(SoundPageSpec(), k).empty()) << k;
  for (uint32_t k : {2u, 5u, 6u, 7u, 8u, 9u, 12u}) EXPECT_TRUE(ActionPageReloads(TaskPageSpec(), k).empty()) << k;

  EXPECT_EQ(RepeatIcon(SoundPageSpec(), 1), 5023);
  EXPECT_EQ(RepeatIcon(SoundPageSpec(), 0), 5024);
  EXPECT_EQ(RepeatIcon(SoundPageSpec(), 7), 5023);
  EXPECT_EQ(RepeatIcon(TaskPageSpec(), 1), 5029);
  EXPECT_EQ(RepeatIcon(TaskPageSpec(), 0), 5030);

  EXPECT_EQ(RecordTypeItem(0), 0);
  EXPECT_EQ(RecordTypeItem(2), 2);
  EXPECT_EQ(RecordTypeItem(3), -1);  // reachable only through the file: no item
  EXPECT_EQ(RecordTypeItem(-1), -1);
}

class ActionCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const SettingsLocation loc = testing_support::FreshSettingsFolder("qlv_action_cmd_", &dir_);
    plugin_.Init(nullptr, 0, loc);
  }
  void TearDown() override { fs::remove_all(dir_); }

  FakePlatform platform_;
  Plugin plugin_{platform_};
  FakeCommonDialogs dialogs_;
  ActionCommands commands_{plugin_, dialogs_};
  fs::path dir_;
};

TEST_F(ActionCommandsTest, FileChoosersStoreTheConfirmedPathOnly) {
  plugin_.SetSetting(&SettingsRecord::SoundFileName, "old.wav");
  plugin_.SetSetting(&SettingsRecord::ProcessFileName, "old.exe");
  bool here = true;
  auto stillHere = [&here] { return here; };

  EXPECT_FALSE(commands_.ChooseSoundFile(0x55, stillHere));  // cancelled
  EXPECT_EQ(plugin_.Settings().SoundFileName, "old.wav");
  dialogs_.fileAnswers.push_back(std::string("C:\\media\\bell.wav"));
  EXPECT_TRUE(commands_.ChooseSoundFile(0x55, stillHere));
  EXPECT_EQ(plugin_.Settings().SoundFileName, "C:\\media\\bell.wav");
  dialogs_.fileAnswers.push_back(std::string("C:\\tools\\alarm.exe"));
  EXPECT_TRUE(commands_.ChooseTaskFile(0x55, stillHere));
  EXPECT_EQ(plugin_.Settings().ProcessFileName, "C:\\tools\\alarm.exe");

  ASSERT_EQ(dialogs_.fileCalls.size(), 3u);
  for (const auto& c : dialogs_.fileCalls) {
    EXPECT_FALSE(c.save);
    EXPECT_EQ(c.owner, 0x55u);
  }
  EXPECT_EQ(dialogs_.fileCalls[1].choice.filterText, "Audio files (*.wav)");
  EXPECT_EQ(dialogs_.fileCalls[1].choice.pattern, "*.wav");
  EXPECT_EQ(dialogs_.fileCalls[1].choice.defaultExtension, "wav");
  EXPECT_EQ(dialogs_.fileCalls[2].choice.filterText, "Execution files (*.exe)");
  EXPECT_EQ(dialogs_.fileCalls[2].choice.pattern, "*.exe");
  EXPECT_EQ(dialogs_.fileCalls[2].choice.defaultExtension, "exe");

  // The page went while the chooser was up: the answer is dropped.
  dialogs_.whileOpen = [&here] { here = false; };
  dialogs_.fileAnswers.push_back(std::string("C:\\late.wav"));
  EXPECT_FALSE(commands_.ChooseSoundFile(0x55, stillHere));
  EXPECT_EQ(plugin_.Settings().SoundFileName, "C:\\media\\bell.wav");
}

TEST_F(ActionCommandsTest, SwitchesTogglesAndTriesByHandWhateverOnOffSays) {
  commands_.SetSwitch(&SettingsRecord::ProcessEnable, true);
  EXPECT_EQ(plugin_.Settings().ProcessEnable, 1u);
  commands_.SetSwitch(&SettingsRecord::ProcessEnable, false);
  EXPECT_EQ(plugin_.Settings().ProcessEnable, 0u);
  commands_.SetRecordType(2);
  EXPECT_EQ(plugin_.Settings().RecordType, 2);
  commands_.SetRecordPause(true);
  EXPECT_EQ(plugin_.Settings().RecordPause, 1);

  const uint32_t repeat = plugin_.Settings().SoundRepeatEnable;
  commands_.ToggleSoundRepeat();
  EXPECT_EQ(plugin_.Settings().SoundRepeatEnable, repeat ? 0u : 1u);
  commands_.ToggleSoundRepeat();
  EXPECT_EQ(plugin_.Settings().SoundRepeatEnable, repeat);
  plugin_.SetSetting(&SettingsRecord::ProcessRepeatEnable, 5);  // any non-zero value from the file counts as on
  commands_.ToggleTaskRestart();
  EXPECT_EQ(plugin_.Settings().ProcessRepeatEnable, 0u);

  // Play, stop and run ignore SoundEnable and ProcessEnable.
  plugin_.SetSetting(&SettingsRecord::SoundEnable, 0);
  plugin_.SetSetting(&SettingsRecord::SoundFileName, "bell.wav");
  plugin_.SetSetting(&SettingsRecord::SoundRepeatEnable, 0);
  commands_.PlaySound();
  plugin_.SetSetting(&SettingsRecord::SoundRepeatEnable, 1);
  commands_.PlaySound();
  commands_.StopSound();
  ASSERT_EQ(platform_.sounds.size(), 3u);
  EXPECT_EQ(platform_.sounds[0].file, "bell.wav");
  EXPECT_EQ(platform_.sounds[0].flags, 0x11u);
  EXPECT_EQ(platform_.sounds[1].flags, 0x19u);
  EXPECT_TRUE(platform_.sounds[2].stop);

  plugin_.SetSetting(&SettingsRecord::ProcessEnable, 0);
  commands_.SetTaskCommandLine("notify.exe --level 3");
  EXPECT_EQ(plugin_.Settings().ProcessFileName, "notify.exe --level 3");
  commands_.RunTask();
  ASSERT_EQ(platform_.startedCommandLines.size(), 1u);
  EXPECT_EQ(platform_.startedCommandLines[0], "notify.exe --level 3");
}

// The page class does only what its description names: each description must
// reach its own settings and commands, and no control of a page may stand for two.
TEST_F(ActionCommandsTest, EachPageDescriptionReachesOnlyItsOwnSettings) {
  const FileActionPageSpec& sound = SoundPageSpec();
  const FileActionPageSpec& task = TaskPageSpec();
  for (const FileActionPageSpec* page : {&sound, &task}) {
    std::set<int> controls = {page->enableControl, page->fileControl, page->selectControl, page->repeatControl};
    for (const auto& b : page->byHand) controls.insert(b.control);
    EXPECT_EQ(controls.size(), 4 + page->byHand.size()) << page->templateId;
    EXPECT_EQ(std::set<uint32_t>({page->imageKind, page->fileKind, page->repeatKind, 0u}).size(), 4u);
  }
  EXPECT_EQ(sound.templateId, static_cast<uint32_t>(IDD_SOUND_PAGE));
  EXPECT_EQ(task.templateId, static_cast<uint32_t>(IDD_TASK_PAGE));

  plugin_.SetSetting(&SettingsRecord::SoundRepeatEnable, 0);
  plugin_.SetSetting(&SettingsRecord::ProcessRepeatEnable, 0);
  (commands_.*sound.toggleRepeat)();
  EXPECT_EQ(plugin_.Settings().*sound.repeat, 1u);
  EXPECT_EQ(plugin_.Settings().ProcessRepeatEnable, 0u);
  (commands_.*task.toggleRepeat)();
  EXPECT_EQ(plugin_.Settings().*task.repeat, 1u);
  EXPECT_EQ(plugin_.Settings().SoundRepeatEnable, 1u);
  commands_.SetSwitch(task.enable, true);
  EXPECT_EQ(plugin_.Settings().ProcessEnable, 1u);
  EXPECT_EQ(plugin_.Settings().SoundEnable, 0u);

  plugin_.SetSetting(&SettingsRecord::SoundFileName, "old.wav");
  plugin_.SetSetting(&SettingsRecord::ProcessFileName, "old.exe");
  dialogs_.fileAnswers = {std::string("C:\\a.wav"), std::string("C:\\b.exe")};
  EXPECT_TRUE((commands_.*sound.chooseFile)(0x55, nullptr));
  EXPECT_TRUE((commands_.*task.chooseFile)(0x55, nullptr));
  EXPECT_EQ(plugin_.Settings().*sound.file, "C:\\a.wav");
  EXPECT_EQ(plugin_.Settings().*task.file, "C:\\b.exe");
  ASSERT_EQ(dialogs_.fileCalls.size(), 2u);
  EXPECT_EQ(dialogs_.fileCalls[0].choice.pattern, "*.wav");
  EXPECT_EQ(dialogs_.fileCalls[1].choice.pattern, "*.exe");

  // Only the task's field is typed into.
  EXPECT_EQ(sound.typeFile, nullptr);
  ASSERT_NE(task.typeFile, nullptr);
  (commands_.*task.typeFile)("run.exe /q");
  EXPECT_EQ(plugin_.Settings().ProcessFileName, "run.exe /q");
  EXPECT_EQ(plugin_.Settings().SoundFileName, "C:\\a.wav");

  // By hand: the sound page stops and plays, the task page runs.
  ASSERT_EQ(sound.byHand.size(), 2u);
  ASSERT_EQ(task.byHand.size(), 1u);
  EXPECT_EQ(sound.byHand[0].control, IDC_SOUND_STOP);
  EXPECT_EQ(sound.byHand[1].control, IDC_SOUND_PLAY);
  EXPECT_EQ(task.byHand[0].control, IDC_TASK_RUN);
  for (const auto& b : sound.byHand) (commands_.*b.run)();
  ASSERT_EQ(platform_.sounds.size(), 2u);
  EXPECT_TRUE(platform_.sounds[0].stop);
  EXPECT_FALSE(platform_.sounds[1].stop);
  EXPECT_EQ(platform_.sounds[1].file, "C:\\a.wav");
  EXPECT_TRUE(platform_.startedCommandLines.empty());
  (commands_.*task.byHand[0].run)();
  ASSERT_EQ(platform_.startedCommandLines.size(), 1u);
  EXPECT_EQ(platform_.startedCommandLines[0], "run.exe /q");
}

}  // namespace
}  // namespace qlv
