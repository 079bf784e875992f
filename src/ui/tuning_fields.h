// The detector tuning window's number fields, one per false-alarm guard, and the
// range each accepts: the settings table's, except that the alarm's cell count
// ends at the number of cells the grid has.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings.h"
#include "ui/number_field.h"

namespace qlv {

struct TuningField {
  const BoundedSetting* setting;  // its entry in kGuardSettings
  int editId;
  int spinId;
  uint32_t messageId;  // the refusal, with the range's two ends
  bool cellBound;      // the range ends at the grid's cell count
};

constexpr size_t kTuningFieldCount = kGuardSettingsCount;
// In the window's order, which is the table's.
extern const TuningField kTuningFields[kTuningFieldCount];

// What the field accepts on a grid of `cellCount` cells. A grid without cells (none
// allocated) bounds nothing: the table's own end holds then.
NumberRange TuningRange(const TuningField& field, int32_t cellCount);

// Digits the edit takes: those of the largest value the setting may ever hold.
int TuningTextLimit(const TuningField& field);

}  // namespace qlv
