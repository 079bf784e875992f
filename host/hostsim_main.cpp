// hostsim.exe: the stand-in host on top of the host library.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host_session.h"
#include "hostsim_app.h"
#include "hostsim_options.h"

namespace {

int RunInfo(const hostsim::HostSimOptions& o) {
  hostsim::HostSessionOptions so;
  so.windows.instanceId = o.instanceId;
  so.windows.languageAnswer = o.languageAnswer;
  hostsim::HostSession session;
  std::string error;
  if (!session.Open(so, &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("Plug-in: Plugins\\%s\n", so.dllName.c_str());
  std::printf("Host window: %s\n", hostsim::HostWindows::MainTitle(o.instanceId).c_str());
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
  std::vector<std::string> args(argv + 1, argv + argc);
  // Everything but --info is the playing host, with its own options (see --help).
  bool info = false;
  for (const std::string& a : args) info = info || a == "--info";
  if (!info) return hostsim::HostsimMain(argc, argv);
  hostsim::HostSimOptions options;
  std::string error;
  if (!hostsim::ParseHostSimArguments(args, &options, &error)) {
    std::fprintf(stderr, "hostsim: %s\n%s", error.c_str(), hostsim::HostSimUsage().c_str());
    return 2;
  }
  switch (options.mode) {
    case hostsim::HostSimMode::Info:
      return RunInfo(options);
    case hostsim::HostSimMode::Usage:
    default:
      std::printf("%s", hostsim::HostSimUsage().c_str());
      return 0;
  }
}
