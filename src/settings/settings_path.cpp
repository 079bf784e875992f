#include "settings/settings_path.h"

namespace qlv {
namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// `id` becomes the one character after `option` (empty when the option ends the line); false,
// leaving `id` as it was, when the option is absent.
bool CharAfter(const std::string& line, const char* option, std::string* id) {
  const size_t at = line.find(option);
  if (at == std::string::npos) return false;
  const size_t next = at + std::char_traits<char>::length(option);
  *id = next < line.size() ? line.substr(next, 1) : std::string();
  return true;
}

}  // namespace

std::string InstanceFromCommandLine(const std::string& commandLine) {
  const std::string lower = LowerAscii(commandLine);
  std::string id;
  CharAfter(lower, "-inst:", &id);
  CharAfter(lower, "/inst:", &id);
  return id;
}

bool BuildSettingsPath(const SettingsPathInputs& in, SettingsLocation* out) {
  *out = SettingsLocation();
  if (!in.versionKnown) return false;
  std::string folder;
  if (in.ntFamily && in.storeInUsersFolder != 0) {
    folder = in.appDataFolder + "\\Quelvar\\";
  } else {
    const size_t slash = in.executablePath.rfind('\\');
    if (slash != std::string::npos) folder = in.executablePath.substr(0, slash + 1);
  }
  out->instance = InstanceFromCommandLine(in.commandLine);
  if (!out->instance.empty()) folder += "Instances\\" + out->instance + "\\";
  folder += "Plugins\\";
  out->folder = folder;
  out->baseName = in.moduleBaseName;
  out->fileName = in.moduleBaseName + ".ini";
  out->fullPath = folder + out->fileName;
  return true;
}

}  // namespace qlv
