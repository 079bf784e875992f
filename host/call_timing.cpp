#include "call_timing.h"

#include <algorithm>
#include <cstdio>

namespace hostsim {

namespace {

double Percentile(const std::vector<double>& sorted, double q) {
  const double rank = q * static_cast<double>(sorted.size() - 1);
  const size_t below = static_cast<size_t>(rank);
  const size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (sorted[above] - sorted[below]) * (rank - static_cast<double>(below));
}

}  // namespace

CallTimeSummary SummariseCallTimes(std::vector<double> us) {
  CallTimeSummary s;
  s.calls = us.size();
  if (us.empty()) return s;
  std::sort(us.begin(), us.end());
  s.median = Percentile(us, 0.5);
  s.p10 = Percentile(us, 0.1);
  s.p90 = Percentile(us, 0.9);
  return s;
}

std::string FormatCallTimes(const char* label, const CallTimeSummary& s) {
  char line[160];
  std::snprintf(line, sizeof line, "PluginProcessFrame, %s: %u calls, median %.1f us, p10 %.1f us, p90 %.1f us", label,
                static_cast<unsigned>(s.calls), s.median, s.p10, s.p90);
  return line;
}

}  // namespace hostsim
