// hostsim --at: the words of an action, the control names taken from resource.h, and
// the one-line form of a control's text.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host_options.h"
#include "res/resource.h"
#include "ui_actions.h"

namespace {

using hostsim::UiAction;
using hostsim::UiActionKind;

TEST(UiActions, EachActionIsReadWithItsControlAndText) {
  struct Case {
    const char* entry;
    int64_t frame;
    UiActionKind kind;
    const char* control;
    int32_t id;
    const char* text;
    const char* described;
  };
  const Case cases[] = {
      {"0:settings", 0, UiActionKind::Settings, "", 0, "", "settings"},
      {"12:tuning", 12, UiActionKind::Press, "IDC_TUNING", IDC_TUNING, "", "press IDC_TUNING"},
      {"7:press=IDC_MASK_CLEAR", 7, UiActionKind::Press, "IDC_MASK_CLEAR", IDC_MASK_CLEAR, "",
       "press IDC_MASK_CLEAR"},
      {"9:text=IDC_SENSITIVE_EDIT=12", 9, UiActionKind::Text, "IDC_SENSITIVE_EDIT", IDC_SENSITIVE_EDIT, "12",
       "text IDC_SENSITIVE_EDIT=\"12\""},
      {"9:text=IDC_SENSITIVE_EDIT=", 9, UiActionKind::Text, "IDC_SENSITIVE_EDIT", IDC_SENSITIVE_EDIT, "",
       "text IDC_SENSITIVE_EDIT=\"\""},
      {"3000000000:text=IDC_DURATION_EDIT=a=b: c", 3000000000, UiActionKind::Text, "IDC_DURATION_EDIT",
       IDC_DURATION_EDIT, "a=b: c", "text IDC_DURATION_EDIT=\"a=b: c\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    UiAction a;
    std::string error;
    ASSERT_TRUE(hostsim::ParseUiAction(c.entry, &a, &error)) << error;
    EXPECT_EQ(a.frame, c.frame);
    EXPECT_EQ(a.kind, c.kind);
    EXPECT_EQ(a.control, c.control);
    EXPECT_EQ(a.controlId, c.id);
    EXPECT_EQ(a.text, c.text);
    EXPECT_EQ(hostsim::DescribeUiAction(a), c.described);
  }
}

TEST(UiActions, MalformedActionsAndUnknownControlsAreRefusedByName) {
  struct Case {
    const char* entry;
    const char* named;  // the message names this
  };
  const Case cases[] = {
      {"settings", "FRAME:ACTION"},
      {"x:settings", "FRAME:ACTION"},
      {"-1:settings", "FRAME:ACTION"},
      {"+1:settings", "FRAME:ACTION"},
      {":settings", "FRAME:ACTION"},
      {"99999999999999999999:settings", "FRAME:ACTION"},
      {"5:", "press=NAME"},
      {"5:Settings", "press=NAME"},
      {"5:click=IDC_OK", "press=NAME"},
      {"5:press=", "name is missing"},
      {"5:press=IDC_NO_SUCH", "IDC_NO_SUCH"},
      {"5:press=IDC_STATIC", "IDC_STATIC"},  // no control of its own
      {"5:press=idc_ok", "idc_ok"},
      {"5:press=IDS_PLUGIN_NAME", "IDS_PLUGIN_NAME"},
      {"5:text=IDC_SENSITIVE_EDIT", "text=NAME=VALUE"},
      {"5:text==7", "name is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    UiAction a;
    a.frame = 42;
    std::string error;
    EXPECT_FALSE(hostsim::ParseUiAction(c.entry, &a, &error));
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_NE(error.find(c.entry), std::string::npos) << error;
    EXPECT_EQ(a.frame, 42) << "left as it was";
  }
}

TEST(UiActions, ControlNamesAreResourceHsNumberedControls) {
  const std::vector<std::string> names = hostsim::ControlNames();
  EXPECT_GT(names.size(), 60u);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "each name once";
  for (const std::string& n : names) EXPECT_EQ(n.compare(0, 4, "IDC_"), 0) << n;
  // In resource.h's order: the settings dialog's first control comes first.
  EXPECT_EQ(names.front(), "IDC_CURRENT_CHANNEL");
  // Ids shared by the pages (the enable boxes of record, sound and task) stay apart by name.
  const std::pair<const char*, int32_t> known[] = {
      {"IDC_CURRENT_CHANNEL", IDC_CURRENT_CHANNEL}, {"IDC_OK", IDC_OK},
      {"IDC_TUNING", IDC_TUNING},                   {"IDC_RECORD_ENABLE", IDC_RECORD_ENABLE},
      {"IDC_SOUND_ENABLE", IDC_SOUND_ENABLE},       {"IDC_MIN_ALARM_CELLS_EDIT", IDC_MIN_ALARM_CELLS_EDIT},
  };
  for (const auto& k : known) {
    int32_t id = -7;
    EXPECT_TRUE(hostsim::ControlIdByName(k.first, &id)) << k.first;
    EXPECT_EQ(id, k.second) << k.first;
  }
  int32_t id = -7;
  EXPECT_FALSE(hostsim::ControlIdByName("IDC_STATIC", &id));
  EXPECT_FALSE(hostsim::ControlIdByName("IDD_TUNING", &id));
  EXPECT_FALSE(hostsim::ControlIdByName("", &id));
  EXPECT_EQ(id, -7);
}

TEST(UiActions, AControlsTextGoesOnOneLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Sensitivity 8", "Sensitivity 8"},
      {"Quiet: 11\r\nWalk: 5\r\n\r\nSensitivity 8", "Quiet: 11 | Walk: 5 | Sensitivity 8"},
      {"\n  a  \n\n\tb\r", "a | b"},
      {"a\tb\x01" "c", "a b c"},
      {"\r\n \r\n", ""},
      {"\xd0\x9a\xd0\xb2", "\xd0\x9a\xd0\xb2"},  // UTF-8 passes unchanged
  };
  for (const auto& c : cases) EXPECT_EQ(hostsim::OneLine(c.first), c.second) << c.first;
}

TEST(UiActions, RepeatedAtOptionsRunInFrameOrderAndKeepTheirOrderWithinAFrame) {
  hostsim::HostOptions o;
  std::string error;
  ASSERT_TRUE(hostsim::ParseHostOptions({"--at", "30:press=IDC_OK", "--at=5:settings", "--at", "30:tuning",
                                         "--at", "10:text=IDC_SENSITIVE_EDIT=3", "--at", "5:tuning"},
                                        &o, &error))
      << error;
  std::vector<std::string> order;
  for (const UiAction& a : o.uiActions) order.push_back(std::to_string(a.frame) + " " + hostsim::DescribeUiAction(a));
  EXPECT_EQ(order, (std::vector<std::string>{"5 settings", "5 press IDC_TUNING", "10 text IDC_SENSITIVE_EDIT=\"3\"",
                                             "30 press IDC_OK", "30 press IDC_TUNING"}));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--at", "5:press=IDC_NOPE"}, &o, &error));
  EXPECT_NE(error.find("IDC_NOPE"), std::string::npos) << error;
  EXPECT_FALSE(hostsim::ParseHostOptions({"--at"}, &o, &error));
}

}  // namespace
