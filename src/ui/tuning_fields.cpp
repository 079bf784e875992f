#include "ui/tuning_fields.h"

#include <algorithm>
#include <string>

#include "res/resource.h"

namespace qlv {

constexpr TuningField kTuningFields[kTuningFieldCount] = {
    {&GuardSetting("LightChangePercent"), IDC_LIGHT_CHANGE_PERCENT_EDIT, IDC_LIGHT_CHANGE_PERCENT_SPIN,
     IDS_MSG_LIGHT_CHANGE_PERCENT_RANGE, false},
    {&GuardSetting("LightChangeFrames"), IDC_LIGHT_CHANGE_FRAMES_EDIT, IDC_LIGHT_CHANGE_FRAMES_SPIN, IDS_MSG_LIGHT_CHANGE_FRAMES_RANGE,
     false},
    {&GuardSetting("MuteBusyPercent"), IDC_MUTE_BUSY_PERCENT_EDIT, IDC_MUTE_BUSY_PERCENT_SPIN, IDS_MSG_MUTE_BUSY_PERCENT_RANGE, false},
    {&GuardSetting("MinAlarmCells"), IDC_MIN_ALARM_CELLS_EDIT, IDC_MIN_ALARM_CELLS_SPIN, IDS_MSG_MIN_ALARM_CELLS_RANGE, true},
    {&GuardSetting("SceneSeconds"), IDC_SCENE_SECONDS_EDIT, IDC_SCENE_SECONDS_SPIN, IDS_MSG_SCENE_SECONDS_RANGE, false},
    {&GuardSetting("ViewLostSeconds"), IDC_VIEW_LOST_SECONDS_EDIT, IDC_VIEW_LOST_SECONDS_SPIN,
     IDS_MSG_VIEW_LOST_SECONDS_RANGE, false},
    {&GuardSetting("BusyMargin"), IDC_BUSY_MARGIN_EDIT, IDC_BUSY_MARGIN_SPIN, IDS_MSG_BUSY_MARGIN_RANGE, false},
};

NumberRange TuningRange(const TuningField& field, int32_t cellCount) {
  const BoundedSetting& s = *field.setting;
  // Every table range lies within 0..2^31 - 1, as the fields' signed ranges need.
  const int32_t min = static_cast<int32_t>(s.min);
  const int32_t max = static_cast<int32_t>(field.cellBound ? MaxAlarmCells(cellCount) : s.max);
  return NumberRange{min, max};
}

int TuningTextLimit(const TuningField& field) {
  return static_cast<int>(std::to_string(field.setting->max).size());
}

}  // namespace qlv
