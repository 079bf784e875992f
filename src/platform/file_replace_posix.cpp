#include <unistd.h>

#include <cstdio>

#include "platform/file_replace.h"

namespace qlv {

// rename(2) replaces the target atomically within one file system.
bool ReplaceFileAtomically(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FlushToDisk(std::FILE* f) {
  return std::fflush(f) == 0 && fsync(fileno(f)) == 0;
}

}  // namespace qlv
