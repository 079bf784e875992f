// The real DLL loaded from Plugins\ the way the host loads it, driven through
// its exports and the record's entry points.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_session.h"
#include "message_box_watch.h"

namespace {

using hostsim::HostSession;
using hostsim::HostSessionOptions;

const char kRussianName1251[] = "\xC4\xE5\xF2\xE5\xEA\xF2\xEE\xF0 \xE4\xE2\xE8\xE6\xE5\xED\xE8\xFF";
const char kRussianDescription1251[] =
    "\xC4\xE5\xF2\xE5\xEA\xF2\xEE\xF0 \xE4\xE2\xE8\xE6\xE5\xED\xE8\xFF \xF1 \xF4\xF3\xED\xEA\xF6\xE8\xE5\xE9 "
    "\xE2\xE8\xE4\xE5\xEE\xF0\xE5\xEA\xEE\xF0\xE4\xE5\xF0\xE0.";
const wchar_t kProcessorText[] =
    L"      \u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0438 \u043F\u043B\u0430\u0433\u0438\u043D\u0430 "
    L"\u043D\u0435\u0434\u043E\u0441\u0442\u0443\u043F\u043D\u044B. \n\u0422\u0440\u0435\u0431\u0443\u0435\u0442"
    L"\u0441\u044F \u043F\u0440\u043E\u0446\u0435\u0441\u0441\u043E\u0440 Pentium III \u0438\u043B\u0438 "
    L"\u0441\u0442\u0430\u0440\u0448\u0435.";
const wchar_t kViewingText[] =
    L"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430 \u043F\u043B\u0430\u0433\u0438\u043D\u0430 "
    L"\u0432\u043E\u0437\u043C\u043E\u0436\u043D\u0430 \u0442\u043E\u043B\u044C\u043A\u043E \u0432 "
    L"\u0440\u0435\u0436\u0438\u043C\u0435 \u043D\u0430\u0431\u043B\u044E\u0434\u0435\u043D\u0438\u044F.";

class PluginHost : public ::testing::Test {
 protected:
  void Open(uint32_t languageAnswer, bool windows = true) {
    HostSessionOptions o;
    o.windows.languageAnswer = languageAnswer;
    o.createWindows = windows;
    std::string error;
    ASSERT_TRUE(session_.Open(o, &error)) << error;
  }
  void TearDown() override { session_.Shutdown(); }

  HostSession session_;
};

TEST_F(PluginHost, ExportsAnswerAndTheRecordStaysPut) {
  ASSERT_NO_FATAL_FAILURE(Open(0));
  EXPECT_EQ(session_.Version(), 3);
  qlv::PluginRecord* r1 = session_.Record();
  qlv::PluginRecord* r2 = session_.Record();
  ASSERT_NE(r1, nullptr);
  EXPECT_EQ(r1, r2);
  EXPECT_EQ(r1->name, r2->name);
  EXPECT_NE(r1->init, nullptr);
  EXPECT_NE(r1->start, nullptr);
  EXPECT_NE(r1->processFrame, nullptr);
  EXPECT_NE(r1->empty, nullptr);
  EXPECT_NE(r1->showSettings, nullptr);
  EXPECT_NE(r1->close, nullptr);
  // The DLL exports exactly the two functions, undecorated.
  EXPECT_EQ(GetProcAddress(session_.plugin().module, "_Quelvar_Plugin_PR"), nullptr);
}

TEST_F(PluginHost, EnglishNameWhenTheHostAnswersZero) {
  ASSERT_EQ(GetSystemDefaultLangID(), 1033) << "run with LANG=en_US.UTF-8";
  ASSERT_NO_FATAL_FAILURE(Open(0));
  qlv::PluginRecord* r = session_.Record();
  EXPECT_STREQ(r->name, "Motion detection");
  EXPECT_STREQ(r->description, "Motion detector with DVR functions.");
  EXPECT_GE(session_.windows().languageQuestions(), 1u);
}

TEST_F(PluginHost, RecordWorksWithoutAHostWindow) {
  ASSERT_NO_FATAL_FAILURE(Open(1049, /*windows=*/false));
  ASSERT_EQ(FindWindowA("TMain", "Quelvar"), nullptr);
  qlv::PluginRecord* r = session_.Record();
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->name, "Motion detection");  // the system language, English here
}

TEST_F(PluginHost, EveryCallRefillsTheBuffersInTheLanguageAskedAnew) {
  ASSERT_NO_FATAL_FAILURE(Open(0));
  qlv::PluginRecord* r = session_.Record();
  std::memset(r->name, 'X', 127);
  r->description[0] = '\0';
  EXPECT_EQ(session_.Record(), r);
  EXPECT_STREQ(r->name, "Motion detection");
  EXPECT_STREQ(r->description, "Motion detector with DVR functions.");

  // The host now answers Russian: 17 characters, none of them in code page 1252.
  session_.windows().SetLanguageAnswer(1049);
  session_.Record();
  EXPECT_EQ(std::strlen(r->name), 17u);
  EXPECT_STRNE(r->name, "Motion detection");

  // An answer whose low word is 0 leaves the system's language.
  session_.windows().SetLanguageAnswer(65536);
  session_.Record();
  EXPECT_STREQ(r->name, "Motion detection");
}

TEST_F(PluginHost, RussianNameInCodePage1251WhenTheHostAnswers1049Cp1251) {
  ASSERT_EQ(GetACP(), 1251u) << "run with LANG=ru_RU.UTF-8";
  ASSERT_NO_FATAL_FAILURE(Open(1049));
  qlv::PluginRecord* r = session_.Record();
  EXPECT_EQ(std::string(r->name), std::string(kRussianName1251));
  EXPECT_EQ(std::string(r->description), std::string(kRussianDescription1251));
}

TEST_F(PluginHost, HostAnswerWinsOverARussianSystemCp1251) {
  ASSERT_EQ(GetACP(), 1251u) << "run with LANG=ru_RU.UTF-8";
  ASSERT_NO_FATAL_FAILURE(Open(1033));
  EXPECT_STREQ(session_.Record()->name, "Motion detection");
  // Without an answer the system's language, Russian here, is used.
  session_.windows().SetLanguageAnswer(0);
  EXPECT_EQ(std::string(session_.Record()->name), std::string(kRussianName1251));
}

TEST_F(PluginHost, NullRecordsAreRefusedQuietly) {
  ASSERT_NO_FATAL_FAILURE(Open(0));
  qlv::PluginRecord* r = session_.Record();
  r->init(nullptr);
  EXPECT_EQ(r->start(nullptr), 0);
  EXPECT_EQ(r->processFrame(nullptr), 0);
  r->empty();
  hosttest::SeenMessageBox seen = hosttest::WatchMessageBox([&] { r->showSettings(nullptr); }, 3000);
  EXPECT_FALSE(seen.found);
  qlv::HostFrame frame = {};
  EXPECT_EQ(session_.ProcessFrame(frame), 0);  // no pixels
  r->close();
}

TEST_F(PluginHost, OldProcessorRefusesSettingsEvenWhenNotViewing) {
  ASSERT_NO_FATAL_FAILURE(Open(0));
  session_.Init();
  qlv::StreamFormat f = hostsim::DefaultStreamFormat();
  f.processorClass = 2;
  EXPECT_EQ(session_.Start(f), 1);

  // No frame is processed, and the pixels stay as they were.
  std::vector<uint8_t> pixels(static_cast<size_t>(f.width) * f.height * 2, 0x5A);
  qlv::HostFrame frame = {};
  frame.pixels = pixels.data();
  frame.channel = session_.channels().Get(0);
  EXPECT_EQ(session_.ProcessFrame(frame), 0);
  EXPECT_EQ(std::vector<uint8_t>(pixels.size(), 0x5A), pixels);

  hosttest::SeenMessageBox seen =
      hosttest::WatchMessageBox([&] { session_.ShowSettings(session_.windows().mainWindow(), 1); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, kProcessorText);
  EXPECT_TRUE(seen.informationIcon);
  EXPECT_TRUE(seen.okButton);
  EXPECT_FALSE(seen.cancelButton);
}

TEST_F(PluginHost, SettingsRefusedOutsideViewingMode) {
  ASSERT_NO_FATAL_FAILURE(Open(0));
  session_.Init();
  qlv::StreamFormat f = hostsim::DefaultStreamFormat();
  f.processorClass = 1;
  session_.Start(f);
  hosttest::SeenMessageBox seen =
      hosttest::WatchMessageBox([&] { session_.ShowSettings(session_.windows().mainWindow(), 0); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, kProcessorText);

  f.processorClass = 6;
  session_.Start(f);
  seen = hosttest::WatchMessageBox([&] { session_.ShowSettings(session_.windows().mainWindow(), 1); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, kViewingText);
  EXPECT_TRUE(seen.informationIcon);
}

}  // namespace
