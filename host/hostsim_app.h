// hostsim.exe: the stand-in host as a program. main() only forwards here.
#pragma once

namespace hostsim {

// Parses the command line, loads the plug-in, plays the input through it and writes
// the results. Returns the process exit code: 0 done, 1 the plug-in could not be
// loaded or a file could not be opened, 2 bad options.
int HostsimMain(int argc, char** argv);

}  // namespace hostsim
