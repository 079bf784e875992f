#include "platform/time_locale.h"

#include <locale.h>
#include <time.h>

namespace qlv {

UserTimeLocale::~UserTimeLocale() { Release(); }

void UserTimeLocale::Release() {
  if (handle_) freelocale(static_cast<locale_t>(handle_));
  handle_ = format_ = release_ = nullptr;  // the functions are the system's own here
}

void UserTimeLocale::Refresh() {
  Release();
  const locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  handle_ = l == static_cast<locale_t>(nullptr) ? nullptr : l;
}

size_t UserTimeLocale::Format(char* out, size_t size, const char* format, const std::tm& time) const {
  if (handle_) return strftime_l(out, size, format, &time, static_cast<locale_t>(handle_));
  return std::strftime(out, size, format, &time);
}

}  // namespace qlv
