#include "hostsim_options.h"

#include <cerrno>
#include <cstdlib>

namespace hostsim {

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

std::vector<HostSimOptionSpec>& HostSimOptionTable() {
  static std::vector<HostSimOptionSpec> table = {
      {"--info", nullptr, "load the plug-in, print its name and description, then init, start and close it",
       [](HostSimOptions& o, const std::string&, std::string*) {
         o.mode = HostSimMode::Info;
         return true;
       }},
      {"--lang", "LANGID", "the host's answer to the language question (decimal or 0x..., 0: none)",
       [](HostSimOptions& o, const std::string& v, std::string* error) {
         if (ParseUnsigned(v, &o.languageAnswer)) return true;
         *error = "--lang needs a number, not '" + v + "'";
         return false;
       }},
      {"--inst", "ID", "run as host instance ID (titles \"Quelvar.Inst<ID>\"); the plug-in itself reads -inst:ID",
       [](HostSimOptions& o, const std::string& v, std::string* error) {
         if (!v.empty()) {
           o.instanceId = v;
           return true;
         }
         *error = "--inst needs an identifier";
         return false;
       }},
      {"--help", nullptr, "show this text",
       [](HostSimOptions& o, const std::string&, std::string*) {
         o.mode = HostSimMode::Usage;
         return true;
       }},
  };
  return table;
}

namespace {
// The real host's instance switch: "-inst:" or "/inst:" and one character.
bool TakeHostInstanceForm(const std::string& arg, HostSimOptions* out) {
  for (const char* prefix : {"-inst:", "/inst:"}) {
    const std::string p(prefix);
    if (arg.size() > p.size() && arg.compare(0, p.size(), p) == 0) {
      out->instanceId = arg.substr(p.size(), 1);
      return true;
    }
  }
  return false;
}
}  // namespace

bool ParseHostSimArguments(const std::vector<std::string>& args, HostSimOptions* out, std::string* error) {
  *out = HostSimOptions();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (TakeHostInstanceForm(arg, out)) continue;
    const HostSimOptionSpec* match = nullptr;
    std::string value;
    bool inlineValue = false;
    for (const HostSimOptionSpec& s : HostSimOptionTable()) {
      const std::string name(s.name);
      if (arg == name) {
        match = &s;
      } else if (s.argument && arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
        match = &s;
        value = arg.substr(name.size() + 1);
        inlineValue = true;
      }
      if (match) break;
    }
    if (!match) {
      if (!arg.empty() && arg[0] == '-' && arg != "-") {
        *error = "unknown option " + arg;
        return false;
      }
      out->positional.push_back(arg);
      continue;
    }
    if (match->argument && !inlineValue) {
      if (i + 1 >= args.size()) {
        *error = std::string(match->name) + " needs " + match->argument;
        return false;
      }
      value = args[++i];
    }
    if (!match->apply(*out, value, error)) return false;
  }
  return true;
}

std::string HostSimUsage() {
  std::string s = "usage: hostsim.exe [options]\n";
  for (const HostSimOptionSpec& o : HostSimOptionTable()) {
    std::string left = std::string("  ") + o.name + (o.argument ? std::string(" ") + o.argument : std::string());
    if (left.size() < 22) left.resize(22, ' ');
    s += left + " " + o.help + "\n";
  }
  s += "  -inst:X, /inst:X       the host's own instance switch (one character)\n";
  return s;
}

}  // namespace hostsim
