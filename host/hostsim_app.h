// hostsim.exe as the playing host; main() parses the command line and comes here.
#pragma once

#include "host_options.h"

namespace hostsim {

// Loads the plug-in, plays the input through it and writes the results. Returns the
// process exit code: 0 done, 1 the plug-in could not be loaded or a file could not be
// opened, 3 an --at action could not be done (the play itself went on).
int PlayHost(const HostOptions& o);

}  // namespace hostsim
