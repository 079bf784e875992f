// The host's windows as the plug-in finds them by class and title, and the two
// questions it asks the host's main window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qlv {

// The windows of one host instance, filled by FindHostWindows.
struct HostWindowHandles {
  WindowHandle main = 0;     // receives HostCommand
  WindowHandle videoFrame = 0;
  WindowHandle video = 0;    // "ActiveMovie Window" child, or videoFrame itself
  uint32_t version = 0;      // answer to HostCommand 1309
  uint16_t versionHigh = 0;
  uint16_t versionLow = 0;
};

// Main window, video frame window, video window and the host version for the
// given instance id.
void FindHostWindows(Platform& platform, const std::string& instance, HostWindowHandles* out);

// Sends HostCommand 1313 to the top-level "TMain" window titled "Quelvar" (the plain
// title, also when the host runs as a numbered instance) and returns the low word of
// the answer: the host's language, 0 when there is no such window or no answer.
uint16_t AskHostLanguage(Platform& platform);

}  // namespace qlv
