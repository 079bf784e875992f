#include "host_options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace hostsim {

namespace {

bool ParseInt64(const std::string& s, int64_t lo, int64_t hi, int64_t* v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long x = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || x < lo || x > hi) return false;
  *v = x;
  return true;
}

bool ParseInt32(const std::string& s, int32_t lo, int32_t hi, int32_t* v) {
  int64_t x;
  if (!ParseInt64(s, lo, hi, &x)) return false;
  *v = static_cast<int32_t>(x);
  return true;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return parts;
}

// The host lower-cases its command line before it looks for the instance option.
bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i)
    if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

}  // namespace

bool ParseChannelList(const std::string& text, std::vector<ChannelSpec>* out, std::string* error) {
  out->clear();
  if (text.empty()) return true;
  for (const std::string& item : Split(text, ',')) {
    // id0:id1:name; the name may itself contain colons.
    size_t a = item.find(':');
    size_t b = a == std::string::npos ? a : item.find(':', a + 1);
    int64_t id0, id1;
    if (b == std::string::npos || !ParseInt64(item.substr(0, a), 0, 0xFFFFFFFFll, &id0) ||
        !ParseInt64(item.substr(a + 1, b - a - 1), 0, 0xFFFFFFFFll, &id1)) {
      *error = "bad channel \"" + item + "\": expected ID0:ID1:NAME";
      return false;
    }
    ChannelSpec c{};
    c.id0 = static_cast<uint32_t>(id0);
    c.id1 = static_cast<uint32_t>(id1);
    c.name = item.substr(b + 1);
    if (c.name.size() > 255) c.name.resize(255);
    out->push_back(c);
  }
  return true;
}

bool ParseSwitchList(const std::string& text, std::vector<ChannelSwitch>* out, std::string* error) {
  out->clear();
  if (text.empty()) return true;
  for (const std::string& item : Split(text, ',')) {
    size_t a = item.find(':');
    ChannelSwitch s;
    if (a == std::string::npos || !ParseInt64(item.substr(0, a), 0, INT64_MAX, &s.frame) ||
        !ParseInt32(item.substr(a + 1), INT32_MIN, INT32_MAX, &s.index) || s.index == -1) {
      *error = "bad switch \"" + item + "\": expected FRAME:INDEX (INDEX 0,1,... or -2,-3,...)";
      return false;
    }
    out->push_back(s);
  }
  std::stable_sort(out->begin(), out->end(),
                   [](const ChannelSwitch& x, const ChannelSwitch& y) { return x.frame < y.frame; });
  return true;
}

int32_t ChannelIndexAt(const HostOptions& o, int64_t frame) {
  int32_t index = o.startChannel;
  for (const ChannelSwitch& s : o.switches) {
    if (s.frame > frame) break;
    index = s.index;
  }
  return index;
}

bool ParseUnsigned(const std::string& text, uint32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

namespace {

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// The plug-in takes one character, lower-cased, as the host does.
bool SetInstance(HostOptions& o, const std::string& id, std::string* error) {
  if (id.empty()) return Fail(error, "--inst needs an identifier");
  o.inst = std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(id[0]))));
  return true;
}

// "--inst:X", "-inst:X" or "/inst:X", in any case: the host's own instance switch.
bool IsHostInstanceForm(const std::string& arg) {
  return StartsWithNoCase(arg, "--inst:") || StartsWithNoCase(arg, "-inst:") || StartsWithNoCase(arg, "/inst:");
}

std::vector<HostOptionRow> MakeTable() {
  using S = const std::string&;
  return {
      {{"--info"}, nullptr,
       "(alone, or with --inst/--lang) load the plug-in, print its\n"
       "name and description, then init, start and close it",
       [](HostOptions& o, S, std::string*) { o.mode = HostMode::Info; return true; }},
      {{"--input"}, "FILE", "raw frames back to back (\"-\": standard input)",
       [](HostOptions& o, S v, std::string*) { o.input = v; return true; }},
      {{"--format"}, "yuy2|rgb24",
       "yuy2: Y0 U Y1 V, top row first (ffmpeg -pix_fmt yuyv422);\n"
       "rgb24: B G R, top row first (ffmpeg -pix_fmt bgr24), handed\n"
       "to the plug-in bottom row first as the host does",
       [](HostOptions& o, S v, std::string* e) {
         if (v == "yuy2") o.format = 0;
         else if (v == "rgb24") o.format = 1;
         else return Fail(e, "--format must be yuy2 or rgb24");
         return true;
       }},
      {{"--rgb-bottom-up"}, nullptr, "the rgb24 input is already bottom row first",
       [](HostOptions& o, S, std::string*) { o.rgbBottomUp = true; return true; }},
      {{"--size"}, "WxH", "frame size (required with --input)",
       [](HostOptions& o, S v, std::string* e) {
         const size_t x = v.find_first_of("xX");
         if (x == std::string::npos || !ParseInt32(v.substr(0, x), 1, 16384, &o.width) ||
             !ParseInt32(v.substr(x + 1), 1, 16384, &o.height))
           return Fail(e, "--size must be WxH with each side 1..16384");
         return true;
       }},
      {{"--frames"}, "N", "stop after N frames (default: the whole input)",
       [](HostOptions& o, S v, std::string* e) {
         return ParseInt64(v, 0, INT64_MAX, &o.frames) || Fail(e, "--frames must be a count");
       }},
      {{"--fps"}, "F", "pace to F frames per second; 0: as fast as possible (default 25)",
       [](HostOptions& o, S v, std::string* e) {
         char* end = nullptr;
         o.fps = std::strtod(v.c_str(), &end);
         if (v.empty() || *end != '\0' || !(o.fps >= 0.0 && o.fps <= 1000.0))
           return Fail(e, "--fps must be a number from 0 to 1000");
         return true;
       }},
      {{"--ini"}, "FILE",
       "copied to the plug-in's settings file before PluginInit:\n"
       "Plugins\\QPM_QLVGuard.ini beside hostsim.exe, or\n"
       "Instances\\ID\\Plugins\\QPM_QLVGuard.ini with --inst",
       [](HostOptions& o, S v, std::string*) { o.ini = v; return true; }},
      {{"--recording"}, nullptr, "the stream is being recorded (recording flag of the format)",
       [](HostOptions& o, S, std::string*) { o.recording = true; return true; }},
      {{"--processor-class"}, "N", "processor class given to the plug-in (default 6)",
       [](HostOptions& o, S v, std::string* e) {
         return ParseInt32(v, INT32_MIN, INT32_MAX, &o.processorClass) ||
                Fail(e, "--processor-class must be an integer");
       }},
      {{"--inst"}, "ID",
       "host instance (also -inst:ID, /inst:ID): window titles\n"
       "\"Quelvar.InstID\" and \"Video window.InstID\"",
       [](HostOptions& o, S v, std::string* e) { return SetInstance(o, v, e); }},
      {{"--lang"}, "LANGID", "answer to the language query 1313 (default 1033; 0: none)",
       [](HostOptions& o, S v, std::string* e) {
         return ParseUnsigned(v, &o.lang) || Fail(e, "--lang must be a language identifier, e.g. 1033 or 0x419");
       }},
      {{"--channels"}, "LIST", "channel list, \"ID0:ID1:NAME,...\" (GetChannel 0, 1, ...)",
       [](HostOptions& o, S v, std::string* e) { return ParseChannelList(v, &o.channels, e); }},
      {{"--sources"}, "LIST", "other sources, same form (GetChannel -2, -3, ...)",
       [](HostOptions& o, S v, std::string* e) { return ParseChannelList(v, &o.sources, e); }},
      {{"--channel"}, "INDEX", "channel of the first frame (default 0)",
       [](HostOptions& o, S v, std::string* e) {
         if (!ParseInt32(v, INT32_MIN, INT32_MAX, &o.startChannel) || o.startChannel == -1)
           return Fail(e, "--channel must be a channel index (0,1,...) or a source index (-2,-3,...)");
         return true;
       }},
      {{"--switch"}, "LIST", "\"FRAME:INDEX,...\": from FRAME on, frames show channel INDEX",
       [](HostOptions& o, S v, std::string* e) { return ParseSwitchList(v, &o.switches, e); }},
      {{"--out"}, "DIR",
       "write DIR\\events.csv (frame,tick,command,name),\n"
       "DIR\\frames.csv (frame,result), DIR\\recordings.csv and the\n"
       "snapshots (BMP) and recorded segments (AVI) that the\n"
       "commands ask for",
       [](HostOptions& o, S v, std::string*) { o.out = v; return true; }},
      {{"--save-frames"}, nullptr,
       "also write DIR\\frames.raw: every frame after the plug-in\n"
       "returned, in the input's layout",
       [](HostOptions& o, S, std::string*) { o.saveFrames = true; return true; }},
      {{"--timing"}, nullptr,
       "time every PluginProcessFrame call: median, p10 and p90\n"
       "printed at the end, a call_us column in DIR\\frames.csv",
       [](HostOptions& o, S, std::string*) { o.timing = true; return true; }},
      {{"--sequence-every"}, "N", "a snapshot sequence takes one snapshot per N frames (25)",
       [](HostOptions& o, S v, std::string* e) {
         return ParseInt32(v, 1, 1000000, &o.sequenceEvery) || Fail(e, "--sequence-every must be a positive count");
       }},
      {{"--settings"}, nullptr,
       "open the plug-in's settings dialog after init (without\n"
       "--input, hostsim then runs until its main window is\n"
       "closed); menu Plug-in > Settings or F2 open it any time",
       [](HostOptions& o, S, std::string*) { o.showSettings = true; return true; }},
      {{"--notviewing"}, nullptr,
       "the host is not in its viewing mode (the plug-in then\n"
       "refuses its settings)",
       [](HostOptions& o, S, std::string*) { o.notViewing = true; return true; }},
      {{"--progress"}, nullptr, "show a progress line on standard error",
       [](HostOptions& o, S, std::string*) { o.progress = true; return true; }},
      {{"--stall-ui"}, "MS",
       "the interface thread pumps no message for MS milliseconds\n"
       "from just before PluginStart, like a host that waits for\n"
       "its frame thread",
       [](HostOptions& o, S v, std::string* e) {
         int32_t ms = 0;
         if (!ParseInt32(v, 0, 600000, &ms)) return Fail(e, "--stall-ui must be milliseconds from 0 to 600000");
         o.stallUiMs = static_cast<uint32_t>(ms);
         return true;
       }},
      {{"--loop"}, nullptr, "play the input again from its start when it ends (use --frames)",
       [](HostOptions& o, S, std::string*) { o.loop = true; return true; }},
      {{"--settings-every"}, "N", "open the settings dialog at every Nth frame, close it at the next",
       [](HostOptions& o, S v, std::string* e) {
         return (ParseInt64(v, 1, INT64_MAX, &o.settingsEvery)) || Fail(e, "--settings-every must be a positive count");
       }},
      {{"--counters-at"}, "N",
       "print the process's private bytes, handles and GDI objects\n"
       "after frame N and after the last frame, with the growth",
       [](HostOptions& o, S v, std::string* e) {
         return ParseInt64(v, 0, INT64_MAX, &o.countersAt) || Fail(e, "--counters-at must be a frame index");
       }},
      {{"--at"}, "FRAME:ACTION",
       "after frame FRAME, on the interface thread while the frames\n"
       "go on, as a user would (repeatable): settings (opens the\n"
       "settings dialog as F2 does), tuning (its detector tuning\n"
       "button), press=NAME (a click on the control NAME of\n"
       "resource.h, e.g. IDC_TUNE_QUIET, in the plug-in's open\n"
       "windows), text=NAME=VALUE (the edit's text replaced, then\n"
       "the focus moves on); message boxes they bring are logged\n"
       "and closed with OK; at the end the tuning window's result\n"
       "text is printed as \"tuning result: ...\"",
       [](HostOptions& o, S v, std::string* e) {
         UiAction a;
         if (!ParseUiAction(v, &a, e)) return false;
         o.uiActions.push_back(a);
         return true;
       }},
      {{"--dll"}, "NAME", "plug-in file inside Plugins\\ (default QPM_QLVGuard.dll)",
       [](HostOptions& o, S v, std::string*) { o.dll = v; return true; }},
      {{"--write-mask"}, "FILE",
       "write a mask file of the 24 x 18 grid as the plug-in saves\n"
       "it, watching the cells of --mask-cells, and end",
       [](HostOptions& o, S v, std::string* e) {
         if (v.empty()) return Fail(e, "--write-mask needs a file name");
         o.mode = HostMode::WriteMask;
         o.maskFile = v;
         return true;
       }},
      {{"--mask-cells"}, "LIST", "\"all\" (default), \"none\" or \"COLUMN:ROW,...\" from 0:0",
       [](HostOptions& o, S v, std::string* e) { return ParseMaskCells(v, &o.maskCells, e); }},
      {{"--help", "-h", "/?"}, nullptr, "this text",
       [](HostOptions& o, S, std::string*) { o.mode = HostMode::Usage; return true; }},
  };
}

}  // namespace

const std::vector<HostOptionRow>& HostOptionTable() {
  static const std::vector<HostOptionRow> table = MakeTable();
  return table;
}

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions* o, std::string* error) {
  *o = HostOptions();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHostInstanceForm(a)) {
      if (!SetInstance(*o, a.substr(a.find(':') + 1), error)) return false;
      continue;
    }
    const HostOptionRow* match = nullptr;
    std::string value;
    bool inlineValue = false;
    for (const HostOptionRow& row : HostOptionTable()) {
      for (const char* n : row.names) {
        const std::string name(n);
        if (a == name) {
          match = &row;
        } else if (row.argument && a.size() > name.size() && a.compare(0, name.size() + 1, name + "=") == 0) {
          match = &row;
          value = a.substr(name.size() + 1);
          inlineValue = true;
        }
        if (match) break;
      }
      if (match) break;
    }
    if (!match) return Fail(error, "unknown option " + a + " (see --help)");
    if (match->argument && !inlineValue) {
      if (i + 1 >= args.size()) return Fail(error, "option " + a + " needs a value");
      value = args[++i];
    }
    if (!match->apply(*o, value, error)) return false;
  }
  std::stable_sort(o->uiActions.begin(), o->uiActions.end(),
                   [](const UiAction& x, const UiAction& y) { return x.frame < y.frame; });
  if (!o->input.empty() && (o->width <= 0 || o->height <= 0)) return Fail(error, "--input needs --size WxH");
  if (!o->input.empty() && o->format == 0 && o->width % 2 != 0) return Fail(error, "yuy2 frames need an even width");
  return true;
}

bool ExposeInstanceOption(char* line, const std::string& id) {
  if (!line || id.empty()) return false;
  std::string lower(line);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.find("-inst:") != std::string::npos || lower.find("/inst:") != std::string::npos) return true;
  for (size_t p = lower.find("--inst "); p != std::string::npos; p = lower.find("--inst ", p + 1)) {
    const bool wordStart = p == 0 || lower[p - 1] == ' ' || lower[p - 1] == '\t' || lower[p - 1] == '"';
    if (wordStart && p + 7 < lower.size() && lower[p + 7] == id[0]) {
      line[p + 6] = ':';
      return true;
    }
  }
  return false;
}

std::string PluginSettingsFolder(const std::string& exeFolder, const std::string& inst) {
  std::string folder = exeFolder;
  if (!inst.empty()) folder += "Instances\\" + inst + "\\";
  return folder + "Plugins\\";
}

std::string HostUsage() {
  std::string s =
      "hostsim.exe - a stand-in for the Quelvar host: loads Plugins\\QPM_QLVGuard.dll beside\n"
      "itself and plays raw video through it.\n"
      "\n";
  const size_t column = 25;  // where the descriptions start
  for (const HostOptionRow& row : HostOptionTable()) {
    std::string left = std::string("  ") + row.names[0] + (row.argument ? std::string(" ") + row.argument : "");
    left.resize(std::max(left.size() + 1, column), ' ');
    const std::string help(row.help);
    size_t start = 0;
    for (;;) {
      const size_t end = help.find('\n', start);
      s += left + help.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
      if (end == std::string::npos) break;
      start = end + 1;
      left.assign(column, ' ');
    }
  }
  return s;
}

}  // namespace hostsim
