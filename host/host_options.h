// Command line of hostsim.exe, one parser for every mode. Options are rows of a table,
// each with its handler and help text, so that the usage text is made from the same
// rows. Portable, so that the rules are testable anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channels.h"
#include "grid_masks.h"
#include "ui_actions.h"

namespace hostsim {

enum class HostMode {
  Play,   // the playing host (the default)
  Info,   // --info: load the plug-in, print what it says about itself, init, start, close
  Usage,  // --help: print the usage text
  WriteMask,  // --write-mask: write a mask file of the default grid and end
};

// From frame `frame` on, frames show the channel at GetChannel index `index`
// (0, 1, ... the channel list; -2, -3, ... the other sources).
struct ChannelSwitch {
  int64_t frame = 0;
  int32_t index = 0;
};

struct HostOptions {
  HostMode mode = HostMode::Play;  // the last of --info, --help and --write-mask wins
  std::string input;           // file name, or "-" for standard input; empty: no playback
  int32_t format = 0;          // 0 yuy2, 1 rgb24
  int32_t width = 0;
  int32_t height = 0;
  bool rgbBottomUp = false;    // the RGB input is already bottom row first
  int64_t frames = -1;         // -1: until the input ends
  double fps = 25.0;           // 0: as fast as possible
  std::string ini;             // copied to the plug-in's settings path before init
  bool recording = false;
  int32_t processorClass = 6;
  std::string inst;            // host instance identifier; empty: none
  uint32_t lang = 1033;        // answer to the language query
  std::string out;             // output folder; empty: no files
  bool saveFrames = false;
  bool timing = false;         // wall time of every PluginProcessFrame call
  int32_t sequenceEvery = 25;  // frames between the snapshots of a sequence
  std::vector<ChannelSpec> channels;
  std::vector<ChannelSpec> sources;
  int32_t startChannel = 0;    // GetChannel index of the first frame's channel
  std::vector<ChannelSwitch> switches;
  bool showSettings = false;   // open the settings dialog after init
  bool notViewing = false;     // the host is not in its viewing mode: settings requests say so
  bool progress = false;       // a progress line on standard error
  uint32_t stallUiMs = 0;      // the interface thread stops pumping while PluginStart runs
  bool loop = false;           // the input starts again at its end
  int64_t settingsEvery = 0;   // open, then close, the settings dialog every N frames
  int64_t countersAt = -1;     // print the process's counters at this frame and at the end
  std::vector<UiAction> uiActions;  // --at, in frame order (the given order within a frame)
  std::string dll = "QPM_QLVGuard.dll";
  std::string maskFile;                             // --write-mask
  std::vector<MaskCell> maskCells = AllMaskCells();  // the cells that mask watches
};

// One row of the option table.
struct HostOptionRow {
  std::vector<const char*> names;  // the first is shown in the usage text
  const char* argument;            // null: a switch; else the value's name for the usage text
  const char* help;                // lines after the first continue the description
  // Applies the option; returns false with a message for a bad value.
  std::function<bool(HostOptions&, const std::string& value, std::string* error)> apply;
};

const std::vector<HostOptionRow>& HostOptionTable();

// Parses argv[1..]. An option with a value takes it as the next word or after "=".
// The host's own instance forms "-inst:X" and "/inst:X" (and "--inst:X") are accepted
// as the real host takes them. On failure returns false with a one-line message.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions* out, std::string* error);

// A number in decimal or with a 0x prefix; false for anything else or above 32 bits.
bool ParseUnsigned(const std::string& text, uint32_t* value);

// "1:0:News,2:0:Sport" -> channels; empty text -> empty list.
bool ParseChannelList(const std::string& text, std::vector<ChannelSpec>* out, std::string* error);
// "250:1,500:-2" -> switches, sorted by frame.
bool ParseSwitchList(const std::string& text, std::vector<ChannelSwitch>* out, std::string* error);

// GetChannel index shown by frame `frame` under the start channel and the switches.
int32_t ChannelIndexAt(const HostOptions& o, int64_t frame);

// The plug-in finds the host instance as "-inst:" in the host's command line. When
// hostsim was given "--inst ID" as two words, the blank becomes a colon in `line`
// (the process's own command-line buffer), so the plug-in sees "--inst:ID".
// True when the line already holds the host form or was rewritten.
bool ExposeInstanceOption(char* line, const std::string& id);

// Where the plug-in keeps its settings for a host in `exeFolder` (ending in a
// backslash): Plugins\, or Instances\ID\Plugins\ with an instance.
std::string PluginSettingsFolder(const std::string& exeFolder, const std::string& inst);

// The text of --help, made from the option table.
std::string HostUsage();

}  // namespace hostsim
