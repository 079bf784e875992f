// An IniStore whose commit stops writing after a given number of bytes, as a full
// disk would: the bytes before the limit reach the temporary file, the rest do not.
#pragma once

#include <cstdint>
#include <cstdio>

#include "settings/ini_store.h"

namespace qlv {

class FailingIniStore : public IniStore {
 public:
  // Negative: never fails.
  void SetWriteFailureAfter(int64_t bytes) { failAfter_ = bytes; }

 protected:
  size_t WriteChunk(std::FILE* f, const char* data, size_t bytes, size_t offset) override {
    if (failAfter_ >= 0) {
      const uint64_t budget = static_cast<uint64_t>(failAfter_);
      if (offset >= budget) return 0;
      if (bytes > budget - offset) bytes = static_cast<size_t>(budget - offset);
    }
    return std::fwrite(data, 1, bytes, f);
  }

 private:
  int64_t failAfter_ = -1;
};

}  // namespace qlv
