#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_options.h"

namespace {

using hostsim::HostOptions;

bool Parse(const std::vector<std::string>& args, HostOptions* o, std::string* error = nullptr) {
  std::string e;
  bool ok = hostsim::ParseHostOptions(args, o, &e);
  if (error) *error = e;
  return ok;
}

TEST(HostOptions, EveryOptionTakesItsValue) {
  HostOptions o;
  ASSERT_TRUE(Parse({"--input", "-", "--format", "rgb24", "--size", "721x577", "--frames", "250", "--fps", "12.5",
                     "--ini", "a.ini", "--recording", "--processor-class", "2", "--inst", "B", "--lang", "0x419",
                     "--out", "o", "--save-frames", "--timing", "--sequence-every", "5", "--channels", "1:0:News,2:7:Sport: late",
                     "--sources", "65536:0:Composite", "--channel", "-2", "--switch", "500:1,20:0", "--settings",
                     "--notviewing", "--progress", "--rgb-bottom-up", "--dll", "x.dll"},
                    &o));
  EXPECT_EQ(o.input, "-");
  EXPECT_EQ(o.format, 1);
  EXPECT_EQ(o.width, 721);
  EXPECT_EQ(o.height, 577);
  EXPECT_EQ(o.frames, 250);
  EXPECT_DOUBLE_EQ(o.fps, 12.5);
  EXPECT_EQ(o.ini, "a.ini");
  EXPECT_TRUE(o.recording);
  EXPECT_EQ(o.processorClass, 2);
  EXPECT_EQ(o.inst, "b");  // one character, lower-cased as the plug-in sees it
  EXPECT_EQ(o.lang, 0x419u);
  EXPECT_EQ(o.out, "o");
  EXPECT_TRUE(o.saveFrames);
  EXPECT_TRUE(o.timing);
  EXPECT_EQ(o.sequenceEvery, 5);
  ASSERT_EQ(o.channels.size(), 2u);
  EXPECT_EQ(o.channels[1].id0, 2u);
  EXPECT_EQ(o.channels[1].id1, 7u);
  EXPECT_EQ(o.channels[1].name, "Sport: late");
  ASSERT_EQ(o.sources.size(), 1u);
  EXPECT_EQ(o.sources[0].id0, 65536u);
  EXPECT_EQ(o.startChannel, -2);
  ASSERT_EQ(o.switches.size(), 2u);
  EXPECT_EQ(o.switches[0].frame, 20);  // sorted by frame
  EXPECT_TRUE(o.showSettings);
  EXPECT_TRUE(o.notViewing);
  EXPECT_TRUE(o.progress);
  EXPECT_TRUE(o.rgbBottomUp);
  EXPECT_EQ(o.dll, "x.dll");
}

TEST(HostOptions, DefaultsAndHostInstanceForms) {
  HostOptions o;
  ASSERT_TRUE(Parse({}, &o));
  EXPECT_EQ(o.fps, 25.0);
  EXPECT_EQ(o.frames, -1);
  EXPECT_EQ(o.processorClass, 6);
  EXPECT_EQ(o.lang, 1033u);
  EXPECT_TRUE(o.inst.empty());
  EXPECT_FALSE(o.showSettings);
  EXPECT_FALSE(o.notViewing);
  ASSERT_TRUE(Parse({"-INST:3"}, &o));
  EXPECT_EQ(o.inst, "3");
  ASSERT_TRUE(Parse({"/inst:12"}, &o));
  EXPECT_EQ(o.inst, "1");
  ASSERT_TRUE(Parse({"--inst:Q"}, &o));
  EXPECT_EQ(o.inst, "q");
}

TEST(HostOptions, BadValuesAreRefusedWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--format", "nv12"},
      {"--size", "720"},
      {"--size", "0x576"},
      {"--size", "99999x2"},
      {"--frames", "-1"},
      {"--frames", "12a"},
      {"--fps", "-3"},
      {"--fps", "fast"},
      {"--lang", "-1"},
      {"--inst"},
      {"--inst", ""},
      {"--channels", "1:News"},
      {"--channels", "x:0:News"},
      {"--channels", "4294967296:0:Big"},
      {"--switch", "10"},
      {"--switch", "10:-1"},
      {"--channel", "-1"},
      {"--sequence-every", "0"},
      {"--input", "a.raw"},                                      // no size
      {"--input", "a.raw", "--size", "3x2"},                      // odd YUY2 width
      {"--bogus"},
  };
  for (const auto& args : bad) {
    HostOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
  HostOptions o;
  EXPECT_TRUE(Parse({"--input", "a.raw", "--size", "3x2", "--format", "rgb24"}, &o));
}

TEST(HostOptions, ModesAndTheUsageTextComeFromOneTable) {
  HostOptions o;
  ASSERT_TRUE(Parse({}, &o));
  EXPECT_EQ(o.mode, hostsim::HostMode::Play);
  for (const char* help : {"--help", "-h", "/?"}) {
    ASSERT_TRUE(Parse({"--info", help}, &o)) << help;
    EXPECT_EQ(o.mode, hostsim::HostMode::Usage) << help;  // the later one wins
  }
  ASSERT_TRUE(Parse({"--help", "--info", "--dll=y.dll", "--frames=7"}, &o));
  EXPECT_EQ(o.mode, hostsim::HostMode::Info);
  EXPECT_EQ(o.dll, "y.dll");
  EXPECT_EQ(o.frames, 7);
  std::string error;
  EXPECT_FALSE(Parse({"--recording=1"}, &o, &error));  // a switch takes no value
  EXPECT_FALSE(Parse({"stray"}, &o, &error));
  EXPECT_NE(error.find("stray"), std::string::npos);

  const std::string usage = hostsim::HostUsage();
  for (const hostsim::HostOptionRow& row : hostsim::HostOptionTable()) {
    const std::string left = std::string("\n  ") + row.names[0] + (row.argument ? " " : "");
    EXPECT_NE(usage.find(left), std::string::npos) << row.names[0];
  }
  // Every description starts in one column, continuation lines included.
  size_t lines = 0;
  for (size_t at = usage.find("\n  -"); at != std::string::npos; at = usage.find('\n', at + 1)) {
    const std::string line = usage.substr(at + 1, usage.find('\n', at + 1) - at - 1);
    if (line.empty()) continue;
    ++lines;
    ASSERT_GT(line.size(), 25u) << line;
    EXPECT_EQ(line[24], ' ') << line;
    EXPECT_NE(line[25], ' ') << line;
  }
  EXPECT_GT(lines, hostsim::HostOptionTable().size());
}

TEST(HostOptions, ChannelScheduleFollowsTheSwitches) {
  HostOptions o;
  ASSERT_TRUE(Parse({"--channel", "1", "--switch", "10:0,10:2,20:-2"}, &o));
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 0), 1);
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 9), 1);
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 10), 2);  // the later of two switches at one frame wins
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 19), 2);
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 20), -2);
  EXPECT_EQ(hostsim::ChannelIndexAt(o, 1000000), -2);
}

}  // namespace

namespace {

TEST(HostOptions, InstanceIsExposedInTheHostsOwnForm) {
  char split[] = "hostsim.exe --fps 0 --inst 3 --out o";
  EXPECT_TRUE(hostsim::ExposeInstanceOption(split, "3"));
  EXPECT_STREQ(split, "hostsim.exe --fps 0 --inst:3 --out o");
  char already[] = "hostsim.exe -INST:4";
  EXPECT_TRUE(hostsim::ExposeInstanceOption(already, "4"));
  EXPECT_STREQ(already, "hostsim.exe -INST:4");
  char upper[] = "hostsim.exe --INST Q";
  EXPECT_TRUE(hostsim::ExposeInstanceOption(upper, "q"));
  EXPECT_STREQ(upper, "hostsim.exe --INST:Q");
  char other[] = "hostsim.exe --ini x--inst 3 --inst \"3\"";  // neither is the option word with its value
  EXPECT_FALSE(hostsim::ExposeInstanceOption(other, "3"));
  EXPECT_STREQ(other, "hostsim.exe --ini x--inst 3 --inst \"3\"");
  EXPECT_FALSE(hostsim::ExposeInstanceOption(nullptr, "3"));
}

TEST(HostOptions, SettingsFolderFollowsTheInstance) {
  EXPECT_EQ(hostsim::PluginSettingsFolder("C:\\Q\\", ""), "C:\\Q\\Plugins\\");
  EXPECT_EQ(hostsim::PluginSettingsFolder("C:\\Q\\", "3"), "C:\\Q\\Instances\\3\\Plugins\\");
}

}  // namespace
