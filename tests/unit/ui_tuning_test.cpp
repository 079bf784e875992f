// The detector tuning window's rules without windows: its fields and their ranges,
// a validator whose range changes with the grid, and where the window opens.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "settings/settings.h"
#include "ui/dialog_position.h"
#include "ui/number_field.h"
#include "ui/tuning_fields.h"

namespace qlv {
namespace {

TEST(TuningFields, OneFieldPerGuardWithTheTablesRangeAndTheCellsOfTheGrid) {
  struct Expected {
    const char* key;
    int editId;
    uint32_t messageId;
    NumberRange onDefaultGrid;  // 24 x 18 = 432 cells
    int textLimit;
  };
  const Expected expected[kTuningFieldCount] = {
      {"LightChangePercent", IDC_LIGHT_CHANGE_PERCENT_EDIT, IDS_MSG_LIGHT_CHANGE_PERCENT_RANGE, {0, 100}, 3},
      {"LightChangeFrames", IDC_LIGHT_CHANGE_FRAMES_EDIT, IDS_MSG_LIGHT_CHANGE_FRAMES_RANGE, {1, 250}, 3},
      {"MuteBusyPercent", IDC_MUTE_BUSY_PERCENT_EDIT, IDS_MSG_MUTE_BUSY_PERCENT_RANGE, {0, 100}, 3},
      {"MinAlarmCells", IDC_MIN_ALARM_CELLS_EDIT, IDS_MSG_MIN_ALARM_CELLS_RANGE, {1, 432}, 5},
      {"SceneSeconds", IDC_SCENE_SECONDS_EDIT, IDS_MSG_SCENE_SECONDS_RANGE, {0, 600}, 3},
      {"ViewLostSeconds", IDC_VIEW_LOST_SECONDS_EDIT, IDS_MSG_VIEW_LOST_SECONDS_RANGE, {0, 600}, 3},
      {"BusyMargin", IDC_BUSY_MARGIN_EDIT, IDS_MSG_BUSY_MARGIN_RANGE, {0, 50}, 2},
  };
  std::set<int> ids;
  for (size_t i = 0; i < kTuningFieldCount; ++i) {
    const TuningField& f = kTuningFields[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.key);
    EXPECT_EQ(f.setting, &kGuardSettings[i]) << "the window's order is the table's";
    EXPECT_EQ(std::string(f.setting->key), e.key);
    EXPECT_EQ(f.editId, e.editId);
    EXPECT_EQ(f.spinId, e.editId + 1);
    EXPECT_EQ(f.messageId, e.messageId);
    EXPECT_LE(f.setting->max, static_cast<uint32_t>(INT32_MAX)) << "the fields' ranges are signed";
    const NumberRange r = TuningRange(f, 24 * 18);
    EXPECT_EQ(r.min, e.onDefaultGrid.min);
    EXPECT_EQ(r.max, e.onDefaultGrid.max);
    EXPECT_EQ(TuningTextLimit(f), e.textLimit);
    // Only the cell count follows the grid.
    EXPECT_EQ(TuningRange(f, 7).max, f.cellBound ? 7 : e.onDefaultGrid.max);
    ids.insert(f.editId);
    ids.insert(f.spinId);
  }
  EXPECT_EQ(ids.size(), 2 * kTuningFieldCount);
  EXPECT_FALSE(ids.count(1) || ids.count(2)) << "IDOK and IDCANCEL are Enter and Escape";

  const TuningField& cells = kTuningFields[3];
  struct Case {
    int32_t cellCount;
    int32_t max;
  };
  const Case cases[] = {
      {1, 1},              // a grid of one cell
      {256 * 256, 65536},  // the largest grid a mask file may carry
      {0, 65536},          // no cells: the table's end
      {-5, 65536},
      {70000, 65536},      // never beyond the table's end
  };
  for (const Case& c : cases) {
    const NumberRange r = TuningRange(cells, c.cellCount);
    EXPECT_EQ(r.min, 1) << c.cellCount;
    EXPECT_EQ(r.max, c.max) << c.cellCount;
  }
}

// The stored value behind a field, and what the field shows.
class Field : public NumberFieldIo {
 public:
  explicit Field(int32_t stored) : stored_(stored), text_(std::to_string(stored)) {}
  std::string Text() override { return text_; }
  int32_t Stored() override { return stored_; }
  void Store(int32_t v) override { stored_ = v; }
  void ShowRefusal() override { ++messages; }
  void ShowValue(int32_t v) override { text_ = std::to_string(v); }
  int32_t stored_;
  std::string text_;
  int messages = 0;
};

TEST(TuningFields, TheCellFieldChecksAgainstTheGridItWasLastGiven) {
  Field field(300);
  NumberFieldValidator v(TuningRange(kTuningFields[3], 432), field);
  auto type = [&](const char* text) {
    field.text_ = text;
    v.OnTextChanged();
  };
  type("432");
  EXPECT_EQ(field.stored_, 432);
  // A mask of 10 x 10 cells is loaded.
  v.SetRange(TuningRange(kTuningFields[3], 100));
  EXPECT_EQ(field.stored_, 432) << "a new range changes no setting";
  type("101");
  EXPECT_EQ(field.messages, 1);
  EXPECT_EQ(field.stored_, 432);
  EXPECT_EQ(field.text_, "432");
  type("100");
  EXPECT_EQ(field.stored_, 100);
  type("0");
  EXPECT_EQ(field.messages, 2);
  EXPECT_EQ(field.stored_, 100);
  EXPECT_EQ(v.range().max, 100);
}

TEST(TuningWindowPosition, BesideTheOwnerAndOnTheScreen) {
  // A window of 430 x 170 on a screen of 1280 x 1024.
  struct Case {
    ScreenRect owner;
    ScreenPoint expected;
  };
  const Case cases[] = {
      {{8, 8, 458, 448}, {458, 8}},                // right of the settings dialog
      {{400, 8, 850, 448}, {850, 8}},              // right, its last column the screen's
      {{850, 8, 1300, 448}, {420, 8}},             // no room on the right: left of it
      {{430, 8, 880, 448}, {0, 8}},                // left, from the first column
      {{401, 8, 851, 448}, {850, 8}},              // no room on either side: against the right edge
      {{8, 900, 458, 1340}, {458, 854}},           // moved up to end on the last row
      {{8, -50, 458, 390}, {458, 0}},              // never above the screen
      {{0, 0, INT32_MAX, 10}, {850, 0}},           // no sum overflows
      {{INT32_MIN, 0, INT32_MIN + 10, 10}, {0, 0}},  // right of an owner far off the screen: its first column
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.owner.left << "," << c.owner.top << "," << c.owner.right);
    const ScreenPoint p = PlaceBeside(c.owner, 430, 170, 1280, 1024);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
  }
  // Larger than the screen: its top-left corner at the screen's.
  const ScreenPoint big = PlaceBeside(ScreenRect{8, 8, 458, 448}, 1500, 1100, 1280, 1024);
  EXPECT_EQ(big.x, 0);
  EXPECT_EQ(big.y, 0);
}

}  // namespace
}  // namespace qlv
