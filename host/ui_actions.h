// What hostsim --at does to the plug-in's windows at a given frame, as a user would:
// open the settings, open the tuning window, press a control, type into an edit.
// Controls are named as in src/res/resource.h. Portable, so that the rules are
// testable anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

enum class UiActionKind {
  Settings,  // "settings": the settings dialog opens as with F2
  Press,     // "press=NAME" (and "tuning", the settings dialog's IDC_TUNING): BM_CLICK
  Text,      // "text=NAME=VALUE": the edit's whole text replaced, then the focus moves on
};

struct UiAction {
  int64_t frame = 0;  // runs after this frame was processed
  UiActionKind kind = UiActionKind::Settings;
  std::string control;  // Press, Text: the resource name
  int32_t controlId = 0;
  std::string text;     // Text: the new contents (may be empty)
};

// "FRAME:ACTION". On failure returns false with a one-line message.
bool ParseUiAction(const std::string& entry, UiAction* out, std::string* error);

// How the action reads in hostsim's log: "press IDC_TUNE_QUIET", "text IDC_TUNE_SECONDS=\"5\"".
std::string DescribeUiAction(const UiAction& a);

// The id of a control of the plug-in's windows by its name in resource.h (IDC_...);
// false for any other name.
bool ControlIdByName(const std::string& name, int32_t* id);
// Every name ControlIdByName knows, in resource.h's order.
std::vector<std::string> ControlNames();

// A control's text on one line of the log: each run of line breaks becomes " | ",
// other control characters a blank, blanks at either end are dropped.
std::string OneLine(const std::string& text);

}  // namespace hostsim
