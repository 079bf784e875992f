// Files the host tests put beside the DLL: the settings file and masks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "grid_masks.h"
#include "plugin_loader.h"

namespace hosttest {

inline std::string PluginsFolder() { return hostsim::ExecutableFolder() + "Plugins\\"; }
inline std::string IniPath() { return PluginsFolder() + "QPM_QLVGuard.ini"; }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// A mask of the 24 x 18 grid watching `watched` (every cell by default), saved by the
// plug-in's own writer.
inline void WriteMask(const std::string& path,
                      const std::vector<hostsim::MaskCell>& watched = hostsim::AllMaskCells()) {
  ASSERT_TRUE(hostsim::WriteGridMask(path, watched)) << path;
}

// Removes the settings file and one mask before a test and after it.
class SettingsAndMaskRemoved {
 public:
  explicit SettingsAndMaskRemoved(std::string mask) : mask_(std::move(mask)) { Remove(); }
  ~SettingsAndMaskRemoved() { Remove(); }

 private:
  void Remove() const {
    DeleteFileA(IniPath().c_str());
    DeleteFileA(mask_.c_str());
  }
  std::string mask_;
};

// The small frame of the frame-driving tests: 96 x 72 dark grey YUY2 with a bright
// 16 x 16 box at x.
inline std::vector<uint8_t> BoxFrame(int32_t x) {
  constexpr int32_t w = 96, h = 72;
  std::vector<uint8_t> f(w * h * 2);
  for (int32_t row = 0; row < h; ++row)
    for (int32_t col = 0; col < w; ++col) {
      const bool box = row >= 28 && row < 44 && col >= x && col < x + 16;
      f[(row * w + col) * 2] = box ? 220 : 60;
      f[(row * w + col) * 2 + 1] = 128;
    }
  return f;
}

// The value of `key` in the settings file's "[PluginSettings]" section as the plug-in
// saved it; "(missing)" when the file or the key is not there.
inline std::string SavedValue(const std::string& key) {
  std::string bytes;
  if (std::FILE* f = std::fopen(IniPath().c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
  }
  const std::string k = "\n" + key + "=";
  const size_t at = bytes.find(k);
  if (at == std::string::npos) return "(missing)";
  const size_t start = at + k.size();
  return bytes.substr(start, bytes.find("\r\n", start) - start);
}

}  // namespace hosttest
