#include "ui/tuning_fields.h"

#include <algorithm>
#include <string>

#include "res/resource.h"

namespace qlv {

const TuningField kTuningFields[kTuningFieldCount] = {
    {&kGuardSettings[0], IDC_LIGHT_CHANGE_PERCENT_EDIT, IDC_LIGHT_CHANGE_PERCENT_SPIN,
     IDS_MSG_LIGHT_CHANGE_PERCENT_RANGE, false},
    {&kGuardSettings[1], IDC_LIGHT_CHANGE_FRAMES_EDIT, IDC_LIGHT_CHANGE_FRAMES_SPIN, IDS_MSG_LIGHT_CHANGE_FRAMES_RANGE,
     false},
    {&kGuardSettings[2], IDC_MUTE_BUSY_PERCENT_EDIT, IDC_MUTE_BUSY_PERCENT_SPIN, IDS_MSG_MUTE_BUSY_PERCENT_RANGE, false},
    {&kGuardSettings[3], IDC_MIN_ALARM_CELLS_EDIT, IDC_MIN_ALARM_CELLS_SPIN, IDS_MSG_MIN_ALARM_CELLS_RANGE, true},
};

NumberRange TuningRange(const TuningField& field, int32_t cellCount) {
  const BoundedSetting& s = *field.setting;
  // Every table range lies within 0..2^31 - 1, as the fields' signed ranges need.
  const int32_t min = static_cast<int32_t>(s.min);
  int32_t max = static_cast<int32_t>(s.max);
  if (field.cellBound && cellCount > 0) max = std::max(min, std::min(max, cellCount));
  return NumberRange{min, max};
}

int TuningTextLimit(const TuningField& field) {
  return static_cast<int>(std::to_string(field.setting->max).size());
}

}  // namespace qlv
