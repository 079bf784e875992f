#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "plugin/host_commands.h"

namespace {

// The numbers are the host's; the names are what hostsim's log and the demo script
// read. Both change only together with every reader.
TEST(HostCommands, EveryCodeHasItsNumberAndOneNameOfItsOwn) {
  static_assert(qlv::kHostCommand == 1224, "the host's command message");
  static_assert(qlv::kWmRefreshControls == 1424, "the host's refresh message");
  struct Row {
    uint32_t code;
    uint32_t number;
    const char* name;
  };
  const std::vector<Row> rows = {
      {qlv::kCmdSnapshot, 1287, "snapshot"},
      {qlv::kCmdRecordStart, 1294, "start video recording"},
      {qlv::kCmdRecordStop, 1295, "stop video recording"},
      {qlv::kCmdKind3Start, 1298, "start kind-3 recording"},
      {qlv::kCmdKind3Stop, 1299, "stop kind-3 recording"},
      {qlv::kCmdSequenceStart, 1300, "start snapshot sequence"},
      {qlv::kCmdSequenceStop, 1301, "stop snapshot sequence"},
      {qlv::kCmdPause, 1302, "pause recording"},
      {qlv::kCmdResume, 1303, "resume recording"},
      {qlv::kCmdVersion, 1309, "version query"},
      {qlv::kCmdLanguage, 1313, "language query"},
  };
  std::set<std::string> names;
  for (const Row& r : rows) {
    EXPECT_EQ(r.code, r.number) << r.name;
    EXPECT_STREQ(qlv::HostCommandName(r.number), r.name);
    EXPECT_TRUE(names.insert(r.name).second) << r.name << " twice";
  }
  // A name never holds the events file's separator.
  for (const std::string& n : names) EXPECT_EQ(n.find(','), std::string::npos) << n;
  for (uint32_t other : {0u, 1224u, 1286u, 1288u, 1296u, 1304u, 1310u, 0xFFFFFFFFu})
    EXPECT_STREQ(qlv::HostCommandName(other), "other") << other;
  static_assert(qlv::HostCommandName(qlv::kCmdPause)[0] == 'p', "usable where a constant is needed");
}

}  // namespace
