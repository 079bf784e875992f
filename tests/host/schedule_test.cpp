// The weekly schedule through the real DLL, on the real clock. The local time is moved
// through the time zone of the runtime that this program and the DLL share, never through
// a hook in the plug-in: an off slot with the scene moving, a real crossing into a night
// slot with a lower sensitivity, then a day slot; the marks checked byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "host_session.h"
#include "overlay/small_font.h"
#include "pixel/frame_canvas.h"
#include "plugin/host_commands.h"
#include "plugin_files.h"

namespace {

constexpr int32_t kW = 96, kH = 72;  // 24 x 18 cells of 4 x 4 pixels
constexpr int32_t kTextPos = 3;      // caption top left: the marks go top right
constexpr uint32_t kGridColor = 0x0000FF00;
constexpr int32_t kSlotSeconds = 1800;
// Day Sensitive 10 passes a change of 10 luma levels (threshold 6); NightSensitive 2 does
// not (threshold 14), while the bright box's 160 alarms at any sensitivity.
constexpr uint8_t kBackground = 60, kDim = 70, kBright = 220;
const char* const kDayKeys[7] = {"ScheduleMon", "ScheduleTue", "ScheduleWed", "ScheduleThu",
                                 "ScheduleFri", "ScheduleSat", "ScheduleSun"};

std::string MaskPath() { return hosttest::PluginsFolder() + "schedule.msk"; }

// A flat YUY2 room with a 16 x 16 box of `luma` at x (none when x < 0), clear of the
// top right corner where the marks go.
std::vector<uint8_t> Frame(int32_t x, uint8_t luma) {
  std::vector<uint8_t> f(static_cast<size_t>(kW) * kH * 2);
  for (int32_t row = 0; row < kH; ++row)
    for (int32_t col = 0; col < kW; ++col) {
      const bool box = x >= 0 && row >= 28 && row < 44 && col >= x && col < x + 16;
      f[static_cast<size_t>(row * kW + col) * 2] = box ? luma : kBackground;
      f[static_cast<size_t>(row * kW + col) * 2 + 1] = 128;
    }
  return f;
}

// Local time = UTC + offset, in the runtime's "NAME[+|-]hh:mm:ss" form, where a minus
// means east of Greenwich.
std::string TzFor(int64_t offset) {
  const int64_t a = offset < 0 ? -offset : offset;
  char tz[40];
  std::snprintf(tz, sizeof tz, "TZ=QLV%c%02d:%02d:%02d", offset < 0 ? '+' : '-', static_cast<int>(a / 3600),
                static_cast<int>(a / 60 % 60), static_cast<int>(a % 60));
  return tz;
}

// Sets the zone for this program and the DLL alike; the zone found is back at the end.
class ZoneOverride {
 public:
  ZoneOverride() {
    const char* old = std::getenv("TZ");
    old_ = std::string("TZ=") + (old ? old : "");
  }
  ~ZoneOverride() {
    _putenv(old_.c_str());
    _tzset();
  }
  void Set(int64_t offset) {
    const std::string tz = TzFor(offset);
    _putenv(tz.c_str());
    _tzset();
  }

 private:
  std::string old_;
};

// Day (Monday 0) and half-hour slot of a time read as UTC.
struct DaySlot {
  int day, slot;
};
DaySlot DaySlotOf(int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  const std::tm g = *std::gmtime(&tt);
  return {(g.tm_wday + 6) % 7, g.tm_hour * 2 + g.tm_min / 30};
}

enum class Mark { None, Off, Moon, Other };

class Driver {
 public:
  explicit Driver(hostsim::HostSession& session) : session_(session) { canvas_.SetGeometry(kW, kH, 0); }

  // One frame through the DLL: what it drew, judged against the marks drawn here by the
  // same font code.
  Mark Feed(const std::vector<uint8_t>& input, int* processed = nullptr) {
    std::vector<uint8_t> pixels = input;
    qlv::HostFrame frame = {};
    frame.pixels = pixels.data();
    frame.channel = session_.channels().Get(0);
    const int r = session_.ProcessFrame(frame);
    if (processed) *processed = r;
    hostsim::HostWindows::PumpMessages();
    if (pixels == input) return Mark::None;
    if (pixels == Marked(input, u"OFF")) return Mark::Off;
    if (pixels == Marked(input, std::u16string(1, qlv::kMoonGlyph))) return Mark::Moon;
    return Mark::Other;
  }

  // `n` frames of a box of `luma` moving back and forth (none when luma is 0); the marks
  // they carried.
  std::vector<Mark> Run(int n, uint8_t luma) {
    std::vector<Mark> marks;
    for (int i = 0; i < n; ++i) marks.push_back(Feed(Frame(luma ? 4 * (i % 10) : -1, luma)));
    return marks;
  }

 private:
  std::vector<uint8_t> Marked(std::vector<uint8_t> f, const std::u16string& mark) const {
    qlv::DrawSmallTextAt(f.data(), canvas_, mark, qlv::CornerOpposite(kTextPos), kGridColor);
    return f;
  }
  hostsim::HostSession& session_;
  qlv::FrameCanvas canvas_;
};

bool All(const std::vector<Mark>& marks, Mark m) {
  for (Mark x : marks)
    if (x != m) return false;
  return !marks.empty();
}

// Commands the plug-in sent at frames first..end-1.
int CommandsBetween(const std::vector<hostsim::LoggedCommand>& log, int64_t first, int64_t end) {
  int n = 0;
  for (const hostsim::LoggedCommand& c : log) n += c.frameIndex >= first && c.frameIndex < end ? 1 : 0;
  return n;
}

void WaitForSecondAfter(std::time_t t) {
  while (std::time(nullptr) <= t) Sleep(20);
}

const std::string kCommonKeys =
    "ChannelIdx=101\r\nShowGrid=0\r\nShowMask=0\r\nShowTime=0\r\nRecShowGrid=0\r\nRecShowMask=0\r\n"
    "RecShowTime=0\r\nRecordEnable=1\r\nRecordType=0\r\nSensitive=10\r\nFrameCounter=1\r\nTextPos=3\r\n"
    "GridColor=65280\r\n";

bool OpenSession(hostsim::HostSession* session, qlv::StreamFormat* format) {
  std::string error;
  EXPECT_TRUE(session->Open(hostsim::HostSessionOptions(), &error)) << error;
  if (!session->loaded()) return false;
  session->channels().SetChannels({{101, 0, "Camera"}});
  session->Record();
  session->Init();
  *format = hostsim::DefaultStreamFormat();
  format->width = kW;
  format->height = kH;
  format->pixelFormat = 0;
  format->recording = 0;
  return session->Start(*format) == 1;
}

TEST(Schedule, OffSlotsCommandNothingNightSlotsTakeTheNightSensitivityAndTheMarksShowOnlyWhileWatched) {
  hosttest::SettingsAndMaskRemoved cleanup(MaskPath());
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(MaskPath()));
  ZoneOverride zone;

  // A local half-hour boundary, as seconds of a clock that reads local time as UTC, an
  // hour or so ahead: the slot before it off, the slot after it night, all else on.
  const int64_t start = static_cast<int64_t>(std::time(nullptr));
  const int64_t boundary = (start / kSlotSeconds + 2) * kSlotSeconds;
  const DaySlot off = DaySlotOf(boundary - 1), night = DaySlotOf(boundary);
  std::array<std::string, 7> lines;
  std::string& offLine = lines[static_cast<size_t>(off.day)];
  std::string& nightLine = lines[static_cast<size_t>(night.day)];
  offLine.assign(48, '1');
  nightLine.assign(48, '1');
  offLine[static_cast<size_t>(off.slot)] = '0';
  nightLine[static_cast<size_t>(night.slot)] = '2';
  std::string keys = kCommonKeys + "NightSensitive=2\r\n";
  for (size_t d = 0; d < lines.size(); ++d)
    if (!lines[d].empty()) keys += std::string(kDayKeys[d]) + "=" + lines[d] + "\r\n";
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\nMaskFileName=" +
                                                                      MaskPath() + "\r\n" + keys));

  // Ten minutes before the boundary, local time.
  zone.Set(boundary - 600 - static_cast<int64_t>(std::time(nullptr)));
  hostsim::HostSession session;
  qlv::StreamFormat format;
  ASSERT_TRUE(OpenSession(&session, &format));
  Driver driver(session);

  // Off: the bright box moves all along, the word shows from the first frame compared.
  const std::vector<Mark> warmUp = driver.Run(30, kBright);
  const int64_t offFirst = session.frameIndex() + 1;
  const std::vector<Mark> offMoving = driver.Run(60, kBright);
  const std::vector<Mark> offStill = driver.Run(10, 0);
  EXPECT_TRUE(All(warmUp, Mark::None));
  EXPECT_TRUE(All(offMoving, Mark::Off));
  EXPECT_TRUE(All(offStill, Mark::Off));

  // Two seconds before the boundary: frames wholly before it carry the word, frames wholly
  // after it the moon, and the clock's own crossing switches them once.
  const int64_t crossing = static_cast<int64_t>(std::time(nullptr)) + 2;
  const int64_t zoneOffset = boundary - crossing;
  zone.Set(zoneOffset);
  {
    // The runtime the DLL uses reads the zone as set.
    const std::time_t t = static_cast<std::time_t>(crossing);
    const std::tm local = *std::localtime(&t);
    const DaySlot at = DaySlotOf(boundary);
    EXPECT_EQ((local.tm_wday + 6) % 7, at.day);
    EXPECT_EQ(local.tm_hour * 2 + local.tm_min / 30, at.slot);
    EXPECT_EQ(local.tm_min % 30 * 60 + local.tm_sec, 0);
  }
  int wordBefore = 0, moonAfter = 0, wrong = 0, switches = 0;
  Mark last = Mark::Off;
  while (static_cast<int64_t>(std::time(nullptr)) <= crossing) {
    const int64_t t0 = static_cast<int64_t>(std::time(nullptr));
    const Mark m = driver.Feed(Frame(-1, 0));
    const int64_t t1 = static_cast<int64_t>(std::time(nullptr));
    if (t1 < crossing) (m == Mark::Off ? wordBefore : wrong) += 1;
    if (t0 >= crossing) (m == Mark::Moon ? moonAfter : wrong) += 1;
    if (m != Mark::Off && m != Mark::Moon) ++wrong;
    switches += m != last ? 1 : 0;
    last = m;
    Sleep(40);
  }
  EXPECT_GT(wordBefore, 0);
  EXPECT_GT(moonAfter, 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(switches, 1);
  const int64_t nightFirst = session.frameIndex() + 1;

  // Night: the dim box passes the day's threshold but not the night's; the bright one
  // alarms, so the guard is on again.
  const std::vector<Mark> nightDim = driver.Run(40, kDim);
  const int64_t nightBrightFirst = session.frameIndex() + 1;
  const std::vector<Mark> nightBright = driver.Run(10, kBright);
  const std::vector<Mark> nightStill = driver.Run(30, 0);
  EXPECT_TRUE(All(nightDim, Mark::Moon));
  EXPECT_TRUE(All(nightBright, Mark::Moon));
  EXPECT_TRUE(All(nightStill, Mark::Moon));

  // An hour on, in a day slot: decided at the next second, the dim box alarms, no mark.
  const std::time_t zoneMoved = std::time(nullptr);
  zone.Set(zoneOffset + 3600);
  WaitForSecondAfter(zoneMoved);
  const int64_t dayFirst = session.frameIndex() + 1;
  const std::vector<Mark> dayDim = driver.Run(20, kDim);
  const int64_t dayEnd = session.frameIndex() + 1;
  EXPECT_TRUE(All(dayDim, Mark::None));

  // Back in the off slot, a recorded stream: once the warm-up after the new Start is over
  // the frames are compared, yet carry no word.
  const std::time_t zoneBack = std::time(nullptr);
  zone.Set(boundary - 300 - static_cast<int64_t>(std::time(nullptr)));
  WaitForSecondAfter(zoneBack);
  format.recording = 1;
  ASSERT_EQ(session.Start(format), 1);
  driver.Run(30, 0);
  int processed = 0;
  EXPECT_EQ(driver.Feed(Frame(-1, 0), &processed), Mark::None);
  EXPECT_EQ(processed, 1);

  session.Close();
  hostsim::HostWindows::PumpMessages();
  const std::vector<hostsim::LoggedCommand> log = session.windows().log().Entries();
  session.Shutdown();

  EXPECT_EQ(CommandsBetween(log, -1, nightBrightFirst), 0) << "commands while off or at the dim box by night";
  EXPECT_GE(CommandsBetween(log, nightBrightFirst, nightBrightFirst + 10), 1) << "the bright box by night";
  EXPECT_EQ(CommandsBetween(log, nightBrightFirst + 10, dayFirst), 0);
  EXPECT_GE(CommandsBetween(log, dayFirst, dayEnd), 1) << "the dim box by day";
  for (const hostsim::LoggedCommand& c : log) EXPECT_EQ(c.code, qlv::kCmdSnapshot);
  EXPECT_LT(offFirst, nightFirst);

  // Saved as read: the lines and the night value, nothing else of the schedule.
  for (size_t d = 0; d < lines.size(); ++d)
    EXPECT_EQ(hosttest::SavedValue(kDayKeys[d]), lines[d].empty() ? "(missing)" : lines[d]) << kDayKeys[d];
  EXPECT_EQ(hosttest::SavedValue("NightSensitive"), "2");
  EXPECT_EQ(hosttest::SavedValue("NightFrameCounter"), "(missing)");
}

TEST(Schedule, WithoutScheduleKeysTheSavedFileGainsNoKey) {
  hosttest::SettingsAndMaskRemoved cleanup(MaskPath());
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteMask(MaskPath()));
  ASSERT_NO_FATAL_FAILURE(hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\nMaskFileName=" +
                                                                      MaskPath() + "\r\n" + kCommonKeys));
  {
    hostsim::HostSession session;
    qlv::StreamFormat format;
    ASSERT_TRUE(OpenSession(&session, &format));
    Driver driver(session);
    // Compared frames with the box moving: no mark, an alarm as ever.
    driver.Run(30, 0);
    EXPECT_TRUE(All(driver.Run(20, kBright), Mark::None));
    session.Close();
    hostsim::HostWindows::PumpMessages();
    EXPECT_GE(session.windows().log().Count(), 1u);
    session.Shutdown();
  }
  std::string bytes;
  if (std::FILE* f = std::fopen(hosttest::IniPath().c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  ASSERT_NE(bytes.find("\nSensitive=10\r\n"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("Schedule"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("Night"), std::string::npos) << bytes;
}

}  // namespace
