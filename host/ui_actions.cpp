#include "ui_actions.h"

#include <cerrno>
#include <cstdlib>

#include "res/resource.h"

namespace hostsim {

namespace {

struct ControlName {
  const char* name;
  int32_t id;
};

// control_names.inc is written by the build from resource.h's IDC_ lines, so that a
// control added there can be pressed without a change here; the ids themselves come
// from resource.h.
#define QLV_CONTROL(name) {#name, name},
const ControlName kControls[] = {
#include "control_names.inc"
};
#undef QLV_CONTROL

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool KnownControl(const std::string& name, UiAction* a, const std::string& entry, std::string* error) {
  if (name.empty()) return Fail(error, "--at " + entry + ": the control's name is missing");
  if (!ControlIdByName(name, &a->controlId))
    return Fail(error, "--at " + entry + ": no control " + name + " in resource.h");
  a->control = name;
  return true;
}

}  // namespace

bool ControlIdByName(const std::string& name, int32_t* id) {
  for (const ControlName& c : kControls) {
    if (name != c.name) continue;
    *id = c.id;
    return true;
  }
  return false;
}

std::vector<std::string> ControlNames() {
  std::vector<std::string> names;
  for (const ControlName& c : kControls) names.push_back(c.name);
  return names;
}

bool ParseUiAction(const std::string& entry, UiAction* out, std::string* error) {
  const size_t colon = entry.find(':');
  const std::string frame = entry.substr(0, colon);
  errno = 0;
  char* end = nullptr;
  const long long f = std::strtoll(frame.c_str(), &end, 10);
  if (colon == std::string::npos || frame.empty() || frame[0] == '-' || frame[0] == '+' || *end != '\0' ||
      errno != 0)
    return Fail(error, "--at " + entry + ": expected FRAME:ACTION with FRAME a frame index");
  UiAction a;
  a.frame = f;
  const std::string action = entry.substr(colon + 1);
  if (action == "settings") {
    a.kind = UiActionKind::Settings;
  } else if (action == "tuning") {
    a.kind = UiActionKind::Press;
    if (!KnownControl("IDC_TUNING", &a, entry, error)) return false;
  } else if (action.compare(0, 6, "press=") == 0) {
    a.kind = UiActionKind::Press;
    if (!KnownControl(action.substr(6), &a, entry, error)) return false;
  } else if (action.compare(0, 5, "text=") == 0) {
    a.kind = UiActionKind::Text;
    const std::string rest = action.substr(5);
    const size_t eq = rest.find('=');
    if (eq == std::string::npos) return Fail(error, "--at " + entry + ": expected text=NAME=VALUE");
    if (!KnownControl(rest.substr(0, eq), &a, entry, error)) return false;
    a.text = rest.substr(eq + 1);
  } else {
    return Fail(error, "--at " + entry + ": the action must be settings, tuning, press=NAME or text=NAME=VALUE");
  }
  *out = a;
  return true;
}

std::string DescribeUiAction(const UiAction& a) {
  switch (a.kind) {
    case UiActionKind::Settings:
      return "settings";
    case UiActionKind::Press:
      return "press " + a.control;
    case UiActionKind::Text:
      return "text " + a.control + "=\"" + a.text + "\"";
  }
  return "";
}

std::string OneLine(const std::string& text) {
  std::string joined;
  size_t start = 0;
  while (start <= text.size()) {
    size_t stop = text.find_first_of("\r\n", start);
    if (stop == std::string::npos) stop = text.size();
    std::string part = text.substr(start, stop - start);
    for (char& ch : part) {
      const unsigned char u = static_cast<unsigned char>(ch);
      if (u < 0x20 || u == 0x7F) ch = ' ';
    }
    const size_t first = part.find_first_not_of(' ');
    if (first != std::string::npos) {
      if (!joined.empty()) joined += " | ";
      joined += part.substr(first, part.find_last_not_of(' ') - first + 1);
    }
    start = stop + 1;
  }
  return joined;
}

}  // namespace hostsim
