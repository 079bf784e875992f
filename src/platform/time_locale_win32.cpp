#include "platform/time_locale.h"

#include <windows.h>

#include <clocale>

namespace qlv {

namespace {

// Locale objects of the platform's runtime, present in its later versions only:
// looked up by name so that the library loads without them.
using CreateLocaleFn = void*(__cdecl*)(int category, const char* name);
using FreeLocaleFn = void(__cdecl*)(void* locale);
using StrftimeLFn = size_t(__cdecl*)(char* out, size_t size, const char* format, const struct tm* time, void* locale);

struct RuntimeLocales {
  CreateLocaleFn create = nullptr;
  FreeLocaleFn release = nullptr;
  StrftimeLFn strftimeL = nullptr;
};

RuntimeLocales Lookup() {
  RuntimeLocales r;
  HMODULE crt = GetModuleHandleA("msvcrt.dll");
  if (!crt) return r;
  r.create = reinterpret_cast<CreateLocaleFn>(reinterpret_cast<void*>(GetProcAddress(crt, "_create_locale")));
  r.release = reinterpret_cast<FreeLocaleFn>(reinterpret_cast<void*>(GetProcAddress(crt, "_free_locale")));
  r.strftimeL = reinterpret_cast<StrftimeLFn>(reinterpret_cast<void*>(GetProcAddress(crt, "_strftime_l")));
  if (!r.create || !r.release || !r.strftimeL) r = RuntimeLocales();
  return r;
}

}  // namespace

UserTimeLocale::~UserTimeLocale() { Release(); }

void UserTimeLocale::Release() {
  if (handle_ && release_) reinterpret_cast<FreeLocaleFn>(release_)(handle_);
  handle_ = format_ = release_ = nullptr;
}

void UserTimeLocale::Refresh() {
  Release();
  const RuntimeLocales r = Lookup();
  if (!r.create) return;
  handle_ = r.create(LC_TIME, "");
  if (!handle_) return;
  format_ = reinterpret_cast<void*>(r.strftimeL);
  release_ = reinterpret_cast<void*>(r.release);
}

size_t UserTimeLocale::Format(char* out, size_t size, const char* format, const std::tm& time) const {
  if (handle_) return reinterpret_cast<StrftimeLFn>(format_)(out, size, format, &time, handle_);
  return std::strftime(out, size, format, &time);
}

}  // namespace qlv
