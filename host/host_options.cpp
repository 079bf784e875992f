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

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions* o, std::string* error) {
  *o = HostOptions();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= args.size()) {
        *error = "option " + a + " needs a value";
        return false;
      }
      *v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h" || a == "/?") {
      o->help = true;
    } else if (a == "--input") {
      if (!value(&o->input)) return false;
    } else if (a == "--format") {
      if (!value(&v)) return false;
      if (v == "yuy2")
        o->format = 0;
      else if (v == "rgb24")
        o->format = 1;
      else {
        *error = "--format must be yuy2 or rgb24";
        return false;
      }
    } else if (a == "--size") {
      if (!value(&v)) return false;
      size_t x = v.find_first_of("xX");
      if (x == std::string::npos || !ParseInt32(v.substr(0, x), 1, 16384, &o->width) ||
          !ParseInt32(v.substr(x + 1), 1, 16384, &o->height)) {
        *error = "--size must be WxH with each side 1..16384";
        return false;
      }
    } else if (a == "--rgb-bottom-up") {
      o->rgbBottomUp = true;
    } else if (a == "--frames") {
      if (!value(&v)) return false;
      if (!ParseInt64(v, 0, INT64_MAX, &o->frames)) {
        *error = "--frames must be a count";
        return false;
      }
    } else if (a == "--fps") {
      if (!value(&v)) return false;
      char* end = nullptr;
      o->fps = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(o->fps >= 0.0 && o->fps <= 1000.0)) {
        *error = "--fps must be a number from 0 to 1000";
        return false;
      }
    } else if (a == "--ini") {
      if (!value(&o->ini)) return false;
    } else if (a == "--recording") {
      o->recording = true;
    } else if (a == "--processor-class") {
      if (!value(&v)) return false;
      if (!ParseInt32(v, INT32_MIN, INT32_MAX, &o->processorClass)) {
        *error = "--processor-class must be an integer";
        return false;
      }
    } else if (a == "--inst" || StartsWithNoCase(a, "--inst:") || StartsWithNoCase(a, "-inst:") ||
               StartsWithNoCase(a, "/inst:")) {
      if (a == "--inst") {
        if (!value(&o->inst)) return false;
      } else {
        o->inst = a.substr(a.find(':') + 1);
      }
      if (o->inst.empty()) {
        *error = "--inst needs an identifier";
        return false;
      }
      // The plug-in takes one character, lower-cased, as the host does.
      o->inst = std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(o->inst[0]))));
    } else if (a == "--lang") {
      if (!value(&v)) return false;
      int64_t x;
      char* end = nullptr;
      x = std::strtoll(v.c_str(), &end, 0);  // decimal or 0x...
      if (v.empty() || *end != '\0' || x < 0 || x > 0xFFFFFFFFll) {
        *error = "--lang must be a language identifier, e.g. 1033 or 0x419";
        return false;
      }
      o->lang = static_cast<uint32_t>(x);
    } else if (a == "--out") {
      if (!value(&o->out)) return false;
    } else if (a == "--save-frames") {
      o->saveFrames = true;
    } else if (a == "--sequence-every") {
      if (!value(&v)) return false;
      if (!ParseInt32(v, 1, 1000000, &o->sequenceEvery)) {
        *error = "--sequence-every must be a positive count";
        return false;
      }
    } else if (a == "--channels") {
      if (!value(&v) || !ParseChannelList(v, &o->channels, error)) return false;
    } else if (a == "--sources") {
      if (!value(&v) || !ParseChannelList(v, &o->sources, error)) return false;
    } else if (a == "--channel") {
      if (!value(&v)) return false;
      if (!ParseInt32(v, INT32_MIN, INT32_MAX, &o->startChannel) || o->startChannel == -1) {
        *error = "--channel must be a channel index (0,1,...) or a source index (-2,-3,...)";
        return false;
      }
    } else if (a == "--switch") {
      if (!value(&v) || !ParseSwitchList(v, &o->switches, error)) return false;
    } else if (a == "--settings") {
      o->showSettings = true;
    } else if (a == "--notviewing") {
      o->notViewing = true;
    } else if (a == "--progress") {
      o->progress = true;
    } else if (a == "--dll") {
      if (!value(&o->dll)) return false;
    } else {
      *error = "unknown option " + a + " (see --help)";
      return false;
    }
  }
  if (!o->input.empty() && (o->width <= 0 || o->height <= 0)) {
    *error = "--input needs --size WxH";
    return false;
  }
  if (!o->input.empty() && o->format == 0 && o->width % 2 != 0) {
    *error = "yuy2 frames need an even width";
    return false;
  }
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

const char* HostUsage() {
  return "hostsim.exe - a stand-in for the Quelvar host: loads Plugins\\QPM_QLVGuard.dll beside\n"
         "itself and plays raw video through it.\n"
         "\n"
         "  --info                 (alone, or with --inst/--lang) load the plug-in, print its\n"
         "                         name and description, then init, start and close it\n"
         "  --input FILE           raw frames back to back (\"-\": standard input)\n"
         "  --format yuy2|rgb24    yuy2: Y0 U Y1 V, top row first (ffmpeg -pix_fmt yuyv422);\n"
         "                         rgb24: B G R, top row first (ffmpeg -pix_fmt bgr24), handed\n"
         "                         to the plug-in bottom row first as the host does\n"
         "  --rgb-bottom-up        the rgb24 input is already bottom row first\n"
         "  --size WxH             frame size (required with --input)\n"
         "  --frames N             stop after N frames (default: the whole input)\n"
         "  --fps F                pace to F frames per second; 0: as fast as possible (default 25)\n"
         "  --ini FILE             copied to the plug-in's settings file before PluginInit:\n"
         "                         Plugins\\QPM_QLVGuard.ini beside hostsim.exe, or\n"
         "                         Instances\\ID\\Plugins\\QPM_QLVGuard.ini with --inst\n"
         "  --recording            the stream is being recorded (recording flag of the format)\n"
         "  --processor-class N    processor class given to the plug-in (default 6)\n"
         "  --inst ID              host instance (also -inst:ID, /inst:ID): window titles\n"
         "                         \"Quelvar.InstID\" and \"Video window.InstID\"\n"
         "  --lang LANGID          answer to the language query 1313 (default 1033; 0: none)\n"
         "  --channels LIST        channel list, \"ID0:ID1:NAME,...\" (GetChannel 0, 1, ...)\n"
         "  --sources LIST         other sources, same form (GetChannel -2, -3, ...)\n"
         "  --channel INDEX        channel of the first frame (default 0)\n"
         "  --switch LIST          \"FRAME:INDEX,...\": from FRAME on, frames show channel INDEX\n"
         "  --out DIR              write DIR\\events.csv (frame,tick,command), DIR\\frames.csv\n"
         "                         (frame,result), DIR\\recordings.csv and the snapshots (BMP)\n"
         "                         and recorded segments (AVI) that the commands ask for\n"
         "  --save-frames          also write DIR\\frames.raw: every frame after the plug-in\n"
         "                         returned, in the input's layout\n"
         "  --sequence-every N     a snapshot sequence takes one snapshot per N frames (25)\n"
         "  --settings             open the plug-in's settings dialog after init (without\n"
         "                         --input, hostsim then runs until its main window is\n"
         "                         closed); menu Plug-in > Settings or F2 open it any time\n"
         "  --notviewing           the host is not in its viewing mode (the plug-in then\n"
         "                         refuses its settings)\n"
         "  --progress             show a progress line on standard error\n"
         "  --dll NAME             plug-in file inside Plugins\\ (default QPM_QLVGuard.dll)\n"
         "  --help                 this text\n";
}

}  // namespace hostsim
