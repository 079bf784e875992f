// hostsim.exe: the stand-in host on top of the host library.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "grid_masks.h"
#include "host_options.h"
#include "host_session.h"
#include "hostsim_app.h"

namespace {

int RunInfo(const hostsim::HostOptions& o) {
  hostsim::HostSessionOptions so;
  so.windows.instanceId = o.inst;
  so.windows.languageAnswer = o.lang;
  so.dllName = o.dll;
  hostsim::HostSession session;
  std::string error;
  if (!session.Open(so, &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("Plug-in: Plugins\\%s\n", so.dllName.c_str());
  std::printf("Host window: %s\n", hostsim::HostWindows::MainTitle(o.inst).c_str());
  std::printf("Interface version: %d\n", session.Version());
  qlv::PluginRecord* r = session.Record();
  if (!r) {
    std::fprintf(stderr, "hostsim: the plug-in returned no record\n");
    return 1;
  }
  std::printf("Name: %s\n", r->name ? r->name : "");
  std::printf("Description: %s\n", r->description ? r->description : "");
  session.Init();
  const qlv::StreamFormat format = hostsim::DefaultStreamFormat();
  std::printf("PluginStart(%dx%d, format %d): %d\n", format.width, format.height, format.pixelFormat,
              session.Start(format));
  hostsim::HostWindows::PumpMessages();
  session.Close();
  std::printf("Host commands received: %u\n", static_cast<unsigned>(session.windows().log().Count()));
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  hostsim::HostOptions options;
  std::string error;
  if (!hostsim::ParseHostOptions(args, &options, &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return 2;
  }
  if (args.empty()) options.mode = hostsim::HostMode::Usage;
  switch (options.mode) {
    case hostsim::HostMode::Info:
      return RunInfo(options);
    case hostsim::HostMode::Play:
      return hostsim::PlayHost(options);
    case hostsim::HostMode::WriteMask:
      if (hostsim::WriteGridMask(options.maskFile, options.maskCells)) return 0;
      std::fprintf(stderr, "hostsim: cannot write %s\n", options.maskFile.c_str());
      return 1;
    case hostsim::HostMode::Usage:
    default:
      std::fputs(hostsim::HostUsage().c_str(), stdout);
      return 0;
  }
}
