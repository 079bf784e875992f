// Command line of hostsim.exe. Options are rows of a table so that new modes and
// switches are added as rows, each with its own handler and help line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hostsim {

enum class HostSimMode { Usage, Info };

struct HostSimOptions {
  HostSimMode mode = HostSimMode::Usage;
  std::string instanceId;        // "-inst:X", "/inst:X" or "--inst X"; empty: no instance
  uint32_t languageAnswer = 0;   // what the host answers to HostCommand 1313
  std::vector<std::string> positional;
};

struct HostSimOptionSpec {
  const char* name;      // e.g. "--lang"
  const char* argument;  // null: a switch; else the value's name for the help text
  const char* help;
  // Applies the option; returns false with a message for a bad value.
  std::function<bool(HostSimOptions&, const std::string& value, std::string* error)> apply;
};

// The table the parser walks; extend it to add options.
std::vector<HostSimOptionSpec>& HostSimOptionTable();

// Parses argv[1..]. The host's own instance forms "-inst:X" and "/inst:X" (one
// character, the later one wins) are also accepted, as the real host takes them.
bool ParseHostSimArguments(const std::vector<std::string>& args, HostSimOptions* out, std::string* error);

std::string HostSimUsage();

// A number in decimal or with a 0x prefix; false for anything else or above 32 bits.
bool ParseUnsigned(const std::string& text, uint32_t* value);

}  // namespace hostsim
