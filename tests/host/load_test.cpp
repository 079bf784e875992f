#include <gtest/gtest.h>

#include "plugin_loader.h"

namespace {

TEST(PluginLoad, ExportsAnswer) {
  hostsim::LoadedPlugin p;
  std::string error;
  ASSERT_TRUE(hostsim::LoadPlugin("QPM_QLVGuard.dll", &p, &error)) << error;
  EXPECT_EQ(p.version(), 3);
  qlv::PluginRecord* r1 = p.record();
  qlv::PluginRecord* r2 = p.record();
  EXPECT_EQ(r1, r2);
  hostsim::UnloadPlugin(&p);
}

}  // namespace
