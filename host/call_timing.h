// Wall time of the plug-in's frame calls, summarised as hostsim --timing prints it.
// Portable, so that the arithmetic is testable anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

struct CallTimeSummary {
  size_t calls = 0;
  double median = 0, p10 = 0, p90 = 0;  // microseconds
};

// Percentiles by linear interpolation between the closest ranks (q in 0..1); all zero
// for no calls.
CallTimeSummary SummariseCallTimes(std::vector<double> us);

// "PluginProcessFrame, LABEL: N calls, median M us, p10 A us, p90 B us"
std::string FormatCallTimes(const char* label, const CallTimeSummary& s);

}  // namespace hostsim
