// The host-command window message, the codes the plug-in sends with it, and the names
// the stand-in host logs them by: the one list of all three, for the plug-in, hostsim
// and the tests.
#pragma once

#include <cstdint>

namespace qlv {

constexpr uint32_t kWmUser = 0x0400;
// wParam is the code; lParam is always 0.
constexpr uint32_t kHostCommand = kWmUser + 200;  // 1224
constexpr uint32_t kWmRefreshControls = kWmUser + 400;  // 1424

enum HostCommandCode : uint32_t {
  kCmdSnapshot = 1287,
  kCmdRecordStart = 1294,
  kCmdRecordStop = 1295,
  kCmdKind3Start = 1298,
  kCmdKind3Stop = 1299,
  kCmdSequenceStart = 1300,
  kCmdSequenceStop = 1301,
  kCmdPause = 1302,
  kCmdResume = 1303,
  kCmdVersion = 1309,
  kCmdLanguage = 1313,
};

// Scripts read these from hostsim's events file: what starts a recording begins with
// "start ", what ends one with "stop ".
constexpr const char* HostCommandName(uint32_t code) {
  switch (code) {
    case kCmdSnapshot: return "snapshot";
    case kCmdRecordStart: return "start video recording";
    case kCmdRecordStop: return "stop video recording";
    case kCmdKind3Start: return "start kind-3 recording";
    case kCmdKind3Stop: return "stop kind-3 recording";
    case kCmdSequenceStart: return "start snapshot sequence";
    case kCmdSequenceStop: return "stop snapshot sequence";
    case kCmdPause: return "pause recording";
    case kCmdResume: return "resume recording";
    case kCmdVersion: return "version query";
    case kCmdLanguage: return "language query";
    default: return "other";
  }
}

}  // namespace qlv
