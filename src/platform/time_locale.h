// The user's date and time conventions for strftime, held by us alone: the C
// runtime's own locale, which every module of the host process shares, is never
// changed.
#pragma once

#include <cstddef>
#include <ctime>

namespace qlv {

class UserTimeLocale {
 public:
  UserTimeLocale() = default;
  ~UserTimeLocale();
  UserTimeLocale(const UserTimeLocale&) = delete;
  UserTimeLocale& operator=(const UserTimeLocale&) = delete;

  // Looks the user's locale up (again). Where the runtime has no locale objects,
  // nothing is found and Format uses the runtime's current locale.
  void Refresh();
  bool found() const { return handle_ != nullptr; }
  // strftime with the user's locale when found.
  size_t Format(char* out, size_t size, const char* format, const std::tm& time) const;

 private:
  void Release();
  void* handle_ = nullptr;   // the runtime's locale object
  void* format_ = nullptr;   // the runtime's functions that use it, where looked up
  void* release_ = nullptr;
};

}  // namespace qlv
