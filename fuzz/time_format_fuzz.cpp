// Arbitrary TimeFormat text: sanitising leaves no lone or blank-followed "%",
// formatting never exceeds the caption's length, never hands the runtime a
// conversion it does not document, and never crashes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "overlay/caption.h"

using namespace qlv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string format(reinterpret_cast<const char*>(data), size);
  const std::string clean = SanitizeTimeFormat(format);
  if (clean.size() > format.size()) std::abort();
  for (size_t i = 0; i < clean.size(); ++i) {
    if (clean[i] != '%') continue;
    if (i + 1 == clean.size() || clean[i + 1] == ' ') std::abort();
    ++i;  // the pair stays together
  }
  std::tm t{};
  t.tm_year = 124;
  t.tm_mday = 29;
  t.tm_mon = 1;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  t.tm_wday = 4;
  t.tm_yday = 59;
  const std::string text = FormatCaptionText(format, t);
  if (text.size() > kMaxCaptionText) std::abort();
  if (size > 0) {
    const int64_t when = static_cast<int64_t>(data[0]) << (8 * (size % 5));
    if (FormatCaptionTime(format, when).size() > kMaxCaptionText) std::abort();
  }
  return 0;
}
