#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>

#include "overlay/caption.h"
#include "platform/time_locale.h"

namespace qlv {
namespace {

std::tm NewYearMorning() {
  std::tm t = {};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 1;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_wday = 4;
  return t;
}

std::string Format(const UserTimeLocale& l, const char* format) {
  char buffer[128];
  const size_t n = l.Format(buffer, sizeof buffer, format, NewYearMorning());
  return std::string(buffer, n);
}

// Looking the user's locale up, and formatting with it, leave the runtime's
// locale as it was for everyone else in the process.
TEST(UserTimeLocale, FormatsWithoutTouchingTheRuntimesLocale) {
  const std::string before = std::setlocale(LC_TIME, nullptr);
  UserTimeLocale l;
  EXPECT_FALSE(l.found());
  EXPECT_EQ(Format(l, "%H:%M:%S"), "09:05:07");  // not found: the runtime's locale
  l.Refresh();
  l.Refresh();
  EXPECT_EQ(Format(l, "%H:%M:%S"), "09:05:07");
  EXPECT_EQ(FormatCaptionText("%Y %%", NewYearMorning(), &l), "2026 %");
  EXPECT_EQ(std::string(std::setlocale(LC_TIME, nullptr)), before);
}

#ifndef _WIN32
// The user's conventions, not the runtime's: a Russian user's short date.
TEST(UserTimeLocale, FollowsTheUsersLocale) {
  const char* saved = std::getenv("LC_ALL");
  const std::string savedAll = saved ? saved : "";
  setenv("LC_ALL", "ru_RU.UTF-8", 1);
  UserTimeLocale l;
  l.Refresh();
  if (saved) setenv("LC_ALL", savedAll.c_str(), 1); else unsetenv("LC_ALL");
  if (!l.found()) GTEST_SKIP() << "no ru_RU.UTF-8 locale here (./run setup makes it)";
  EXPECT_EQ(Format(l, "%x"), "01.01.2026");
  EXPECT_EQ(std::string(std::setlocale(LC_TIME, nullptr)), "C");
}
#endif

}  // namespace
}  // namespace qlv
