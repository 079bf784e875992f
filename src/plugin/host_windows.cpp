#include "plugin/host_windows.h"

#include "plugin/host_api.h"

namespace qlv {

void FindHostWindows(Platform& platform, const std::string& instance, HostWindowHandles* out) {
  std::string mainTitle = "Quelvar";
  std::string videoTitle = "Video window";
  if (!instance.empty()) {
    mainTitle += ".Inst" + instance;
    videoTitle += ".Inst" + instance;
  }
  out->main = platform.FindTopWindow("TMain", mainTitle.c_str());
  out->videoFrame = platform.FindTopWindow("TVideoFrame", videoTitle.c_str());
  const WindowHandle child = out->videoFrame ? platform.FindChildWindow(out->videoFrame, "ActiveMovie Window") : 0;
  out->video = child ? child : out->videoFrame;
  out->version = static_cast<uint32_t>(platform.SendMessageTo(out->main, kHostCommand, kCmdVersion, 0));
  out->versionHigh = static_cast<uint16_t>(out->version >> 16);
  out->versionLow = static_cast<uint16_t>(out->version & 0xFFFFu);
}

uint16_t AskHostLanguage(Platform& platform) {
  const WindowHandle host = platform.FindTopWindow("TMain", "Quelvar");
  if (!host) return 0;
  const intptr_t answer = platform.SendMessageTo(host, kHostCommand, kCmdLanguage, 0);
  return static_cast<uint16_t>(static_cast<uint32_t>(answer) & 0xFFFFu);
}

}  // namespace qlv
