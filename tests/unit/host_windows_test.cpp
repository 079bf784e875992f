// Finding the host's windows and asking its main window, through a recording platform.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "plugin/host_windows.h"

namespace qlv {
namespace {

using testing_support::FakePlatform;

TEST(HostWindows, PlainTitlesWithChild) {
  FakePlatform p;
  p.topWindows[{"TMain", "Quelvar"}] = 11;
  p.topWindows[{"TVideoFrame", "Video window"}] = 22;
  p.childWindows[{22, "ActiveMovie Window"}] = 33;
  p.topWindows[{"TMain", "Quelvar.Inst3"}] = 99;
  p.sendAnswer = 0x00020005;
  HostWindowHandles w;
  FindHostWindows(p, "", &w);
  EXPECT_EQ(w.main, 11u);
  EXPECT_EQ(w.videoFrame, 22u);
  EXPECT_EQ(w.video, 33u);
  EXPECT_EQ(w.version, 0x00020005u);
  EXPECT_EQ(w.versionHigh, 2);
  EXPECT_EQ(w.versionLow, 5);
  ASSERT_EQ(p.sends.size(), 1u);
  EXPECT_EQ(p.sends[0], std::make_pair(WindowHandle{11}, 1309u));
}

TEST(HostWindows, InstanceTitlesWithoutChild) {
  FakePlatform p;
  p.topWindows[{"TMain", "Quelvar"}] = 11;
  p.topWindows[{"TMain", "Quelvar.Inst3"}] = 12;
  p.topWindows[{"TVideoFrame", "Video window.Inst3"}] = 23;
  p.childWindows[{22, "ActiveMovie Window"}] = 33;
  p.sendAnswer = 7;
  HostWindowHandles w;
  FindHostWindows(p, "3", &w);
  EXPECT_EQ(w.main, 12u);
  EXPECT_EQ(w.videoFrame, 23u);
  EXPECT_EQ(w.video, 23u);  // no child: the frame window itself
  EXPECT_EQ(w.version, 7u);

  FindHostWindows(p, "q", &w);  // nothing found: null handles, the version query goes nowhere
  EXPECT_EQ(w.main, 0u);
  EXPECT_EQ(w.video, 0u);
  EXPECT_EQ(w.version, 0u);
}

TEST(HostWindows, LanguageIsAskedOfThePlainMainWindow) {
  FakePlatform p;
  p.topWindows[{"TMain", "Quelvar.Inst3"}] = 12;
  p.sendAnswer = 0x7FFF0419;
  EXPECT_EQ(AskHostLanguage(p), 0);  // only the instance window exists: nobody is asked
  EXPECT_TRUE(p.sends.empty());

  p.topWindows[{"TMain", "Quelvar"}] = 11;
  EXPECT_EQ(AskHostLanguage(p), 0x0419);  // the low word of the answer
  ASSERT_EQ(p.sends.size(), 1u);
  EXPECT_EQ(p.sends[0], std::make_pair(WindowHandle{11}, 1313u));

  p.sendAnswer = 0x00010000;
  EXPECT_EQ(AskHostLanguage(p), 0);  // no language in the low word
}

}  // namespace
}  // namespace qlv
