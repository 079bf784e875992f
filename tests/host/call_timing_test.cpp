#include <gtest/gtest.h>

#include "call_timing.h"

namespace {

using hostsim::SummariseCallTimes;

TEST(CallTiming, PercentilesInterpolateBetweenRanksWhateverTheOrder) {
  struct Case {
    std::vector<double> us;
    double median, p10, p90;
  };
  const Case cases[] = {
      {{}, 0, 0, 0},
      {{7}, 7, 7, 7},
      {{10, 2, 4, 8, 6, 9, 1, 3, 7, 5}, 5.5, 1.9, 9.1},
      {{300, 100, 200}, 200, 120, 280},
      {{5, 5, 5, 1000}, 5, 5, 701.5},  // one slow call moves p90, not the median
  };
  for (const Case& c : cases) {
    hostsim::CallTimeSummary s = SummariseCallTimes(c.us);
    EXPECT_EQ(s.calls, c.us.size());
    EXPECT_NEAR(s.median, c.median, 1e-9) << c.us.size();
    EXPECT_NEAR(s.p10, c.p10, 1e-9) << c.us.size();
    EXPECT_NEAR(s.p90, c.p90, 1e-9) << c.us.size();
  }
  EXPECT_EQ(hostsim::FormatCallTimes("every frame", SummariseCallTimes({300, 100, 200})),
            "PluginProcessFrame, every frame: 3 calls, median 200.0 us, p10 120.0 us, p90 280.0 us");
}

}  // namespace
