#include <gtest/gtest.h>

#include "fake_platform.h"
#include "plugin/actions.h"

namespace qlv {
namespace {

using testing_support::FakePlatform;
using Cmds = std::vector<uintptr_t>;

class ActionsTest : public ::testing::Test {
 protected:
  ActionsTest() : actions_(p_, s_) { actions_.SetHostWindow(42); }
  // A processed frame without an alarm, the clock moved by `ms`.
  void Frames(int n, uint32_t ms = 40) {
    for (int i = 0; i < n; ++i) {
      p_.tick += ms;
      actions_.CountDownFrame();
      actions_.StopWhenTimeUp();
    }
  }
  FakePlatform p_;
  SettingsRecord s_;
  AlarmActions actions_;
};

TEST_F(ActionsTest, SecondAlarmWithinTheLockOutTriggersNothing) {
  s_.RecordEnable = 1;
  s_.RecordType = 0;
  actions_.TriggerActions();
  EXPECT_EQ(actions_.lockOut(), 25);
  Frames(10);
  actions_.TriggerActions();
  EXPECT_EQ(p_.Commands(), Cmds({1287}));
  Frames(15);
  EXPECT_EQ(actions_.lockOut(), 0);
  actions_.TriggerActions();
  EXPECT_EQ(p_.Commands(), Cmds({1287, 1287}));
  EXPECT_EQ(actions_.state().stopTime, 0u);  // a single snapshot sets no stop time
  EXPECT_EQ(actions_.state().action, 0u);
  for (const auto& post : p_.posts) EXPECT_EQ(post.window, 42u);
}

TEST_F(ActionsTest, VideoRecordingPausesAndResumes) {
  s_.RecordEnable = 1;
  s_.RecordType = 2;
  s_.RecordPause = 1;
  s_.Duration = 10;
  p_.tick = 5000;
  actions_.TriggerActions();
  EXPECT_EQ(p_.Commands(), Cmds({1294}));
  EXPECT_EQ(actions_.state().action, uint32_t{kActVideo});
  EXPECT_EQ(actions_.state().stopTime, 15000u);
  EXPECT_EQ(actions_.guard(), 25);
  Frames(249, 40);  // tick 14960: not yet
  EXPECT_EQ(p_.Commands(), Cmds({1294}));
  Frames(2, 40);    // 15000 is not past; 15040 is
  ASSERT_EQ(p_.Commands(), Cmds({1294, 1302}));
  EXPECT_EQ(p_.posts.back().tick, 15040u);
  EXPECT_EQ(actions_.state().action, uint32_t{kActVideo | kActPaused});
  EXPECT_EQ(actions_.state().stopTime, 0u);
  Frames(100);  // paused stays paused: 1302 once
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302}));
  actions_.TriggerActions();
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302, 1303}));
  EXPECT_EQ(actions_.state().action, uint32_t{kActVideo});
  actions_.StopActions(StopKind::Final);
  EXPECT_EQ(p_.Commands(), Cmds({1294, 1302, 1303, 1295}));
  EXPECT_EQ(actions_.state().action, 0u);
  EXPECT_EQ(actions_.guard(), 25);
}

TEST_F(ActionsTest, FinalStopOfAPausedRecordingSendsItsStop) {
  s_.RecordEnable = 1;
  s_.RecordType = 3;
  s_.RecordPause = 1;
  s_.Action = kActKind3 | kActPaused;  // read back from the settings file
  actions_.Restore(s_);
  actions_.StopActions(StopKind::Final);
  EXPECT_EQ(p_.Commands(), Cmds({1299}));
  EXPECT_EQ(actions_.state().action, 0u);
}

TEST_F(ActionsTest, RecordingWithoutPauseStopsAtStopTime) {
  s_.RecordEnable = 1;
  s_.RecordType = 3;
  s_.Duration = 1;
  actions_.TriggerActions();
  Frames(30, 40);
  EXPECT_EQ(p_.Commands(), Cmds({1298, 1299}));
  EXPECT_EQ(actions_.state().action, 0u);
  EXPECT_EQ(actions_.guard(), 25 - (30 - 26));
}

TEST_F(ActionsTest, SequenceAndRepeatedAlarmsMoveTheStopTime) {
  s_.RecordEnable = 1;
  s_.RecordType = 1;
  s_.Duration = 2;
  actions_.TriggerActions();
  Frames(25, 40);  // tick 2000
  actions_.TriggerActions();
  EXPECT_EQ(actions_.state().stopTime, 4000u);
  EXPECT_EQ(p_.Commands(), Cmds({1300}));  // not repeated
  Frames(26, 40);  // 3040: still running
  EXPECT_EQ(p_.Commands(), Cmds({1300}));
  Frames(25, 40);  // 4040
  EXPECT_EQ(p_.Commands(), Cmds({1300, 1301}));
  EXPECT_EQ(actions_.lockOut(), 25);
}

TEST_F(ActionsTest, SoundFlagsAndStop) {
  s_.SoundEnable = 1;
  s_.SoundFileName = "alarm.wav";
  actions_.TriggerActions();
  s_.SoundRepeatEnable = 1;
  actions_.PlayAlarmSound();
  actions_.StopActions(StopKind::TimeUp);
  ASSERT_EQ(p_.sounds.size(), 3u);
  EXPECT_EQ(p_.sounds[0].file, "alarm.wav");
  EXPECT_EQ(p_.sounds[0].flags, 0x11u);
  EXPECT_EQ(p_.sounds[1].flags, 0x19u);
  EXPECT_TRUE(p_.sounds[2].stop);
  EXPECT_EQ(p_.sounds[2].flags, 0u);
  EXPECT_EQ(actions_.state().action, 0u);
  EXPECT_TRUE(p_.Commands().empty());
}

TEST_F(ActionsTest, OpenDialogSuppressesAlarms) {
  bool open = true;
  actions_.SetDialogOpenQuery([&] { return open; });
  s_.RecordEnable = 1;
  s_.SoundEnable = 1;
  actions_.TriggerActions();
  EXPECT_TRUE(p_.posts.empty());
  EXPECT_TRUE(p_.sounds.empty());
  EXPECT_EQ(actions_.lockOut(), 0);
  open = false;
  actions_.TriggerActions();
  EXPECT_EQ(p_.Commands(), Cmds({1287}));
}

TEST_F(ActionsTest, TaskIsNotStartedTwiceWithRestartOff) {
  s_.ProcessEnable = 1;
  s_.ProcessFileName = "alarm.exe";
  actions_.RunExternalTask();
  ASSERT_EQ(p_.startedCommandLines.size(), 1u);
  const uint32_t proc = actions_.state().task.hProcess;
  const uint32_t thread = actions_.state().task.hThread;
  EXPECT_NE(proc, 0u);
  actions_.RunExternalTask();  // still active
  EXPECT_EQ(p_.startedCommandLines.size(), 1u);
  EXPECT_EQ(p_.exitQueries, std::vector<uint32_t>({proc}));
  EXPECT_TRUE(p_.closedHandles.empty());
  p_.exitCodes[proc] = 0;  // ended
  actions_.RunExternalTask();
  EXPECT_EQ(p_.startedCommandLines.size(), 2u);
  EXPECT_EQ(p_.closedHandles, std::vector<uint32_t>({thread, proc}));
  EXPECT_NE(actions_.state().task.hProcess, proc);
  // A final stop closes the handles but never ends the task.
  const uint32_t proc2 = actions_.state().task.hProcess, thread2 = actions_.state().task.hThread;
  actions_.StopActions(StopKind::Final);
  EXPECT_EQ(p_.closedHandles, std::vector<uint32_t>({thread, proc, thread2, proc2}));
  EXPECT_EQ(actions_.state().task.hProcess, 0u);
  EXPECT_EQ(actions_.state().task.hThread, 0u);
}

TEST_F(ActionsTest, RestartOnStartsEveryTimeAndKeepsNoHandle) {
  s_.ProcessRepeatEnable = 1;
  s_.ProcessFileName = "alarm.exe";
  actions_.RunExternalTask();
  actions_.RunExternalTask();
  EXPECT_EQ(p_.startedCommandLines.size(), 2u);
  EXPECT_EQ(p_.closedHandles.size(), 4u);
  EXPECT_EQ(actions_.state().task.hProcess, 0u);
  EXPECT_TRUE(p_.exitQueries.empty());
}

TEST_F(ActionsTest, FailedStartLeavesNoHandles) {
  s_.ProcessFileName = "missing.exe";
  p_.startSucceeds = false;
  actions_.RunExternalTask();
  EXPECT_EQ(actions_.state().task.hProcess, 0u);
  EXPECT_EQ(actions_.state().task.hThread, 0u);
  p_.startSucceeds = true;
  actions_.RunExternalTask();  // the next alarm tries again
  EXPECT_EQ(p_.startedCommandLines.size(), 2u);
  EXPECT_NE(actions_.state().task.hProcess, 0u);
}

TEST_F(ActionsTest, StaleHandlesFromTheFileAreNeverTouched) {
  s_.ProcessFileName = "alarm.exe";
  s_.ExtTask.hProcess = 0x7770;  // read back from the settings file
  s_.ExtTask.hThread = 0x7774;
  actions_.Restore(s_);
  actions_.RunExternalTask();
  EXPECT_TRUE(p_.exitQueries.empty());
  EXPECT_TRUE(p_.closedHandles.empty());
  EXPECT_EQ(p_.startedCommandLines.size(), 1u);
  EXPECT_NE(actions_.state().task.hProcess, 0x7770u);

  actions_.Restore(s_);
  actions_.StopActions(StopKind::Final);
  actions_.CloseTaskHandles();
  EXPECT_TRUE(p_.closedHandles.empty());
  EXPECT_EQ(actions_.state().task.hProcess, 0u);
  EXPECT_EQ(actions_.state().task.hThread, 0u);

  s_.ProcessRepeatEnable = 1;
  s_.ExtTask = ProcessInfo();
  s_.ExtTask.hProcess = 0x7770;
  actions_.Restore(s_);
  actions_.RunExternalTask();
  for (uint32_t h : p_.closedHandles) EXPECT_NE(h, 0x7770u);
}

TEST(QuoteCommandLine, OnlyAWholeExistingPathWithBlanks) {
  FakePlatform p;
  p.existingFiles = {"C:\\Program Files\\x\\alarm.exe", "C:\\tools\\alarm.exe"};
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"C:\\Program Files\\x\\alarm.exe", "\"C:\\Program Files\\x\\alarm.exe\""},
      {"C:\\tools\\alarm.exe", "C:\\tools\\alarm.exe"},                          // no blank
      {"\"C:\\Program Files\\x\\alarm.exe\"", "\"C:\\Program Files\\x\\alarm.exe\""},  // already quoted
      {"C:\\Program Files\\x\\alarm.exe -loud", "C:\\Program Files\\x\\alarm.exe -loud"},  // not a file as a whole
      {"notepad.exe alarm.txt", "notepad.exe alarm.txt"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteCommandLine(p, c.in), c.out) << c.in;
}

TEST(QuoteCommandLine, AppliedBeforeProcessCreation) {
  FakePlatform p;
  p.existingFiles = {"C:\\Program Files\\x\\alarm.exe"};
  SettingsRecord s;
  s.ProcessFileName = "C:\\Program Files\\x\\alarm.exe";
  AlarmActions a(p, s);
  a.RunExternalTask();
  ASSERT_EQ(p.startedCommandLines.size(), 1u);
  EXPECT_EQ(p.startedCommandLines[0], "\"C:\\Program Files\\x\\alarm.exe\"");
  EXPECT_EQ(s.ProcessFileName, "C:\\Program Files\\x\\alarm.exe");  // the setting is not changed
}

}  // namespace
}  // namespace qlv
