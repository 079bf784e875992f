// The schedule window's decisions, free of windows: where the grid's slots lie in the
// control, which slots a press or a drag paints, what the two fill buttons do, the
// night fields and their ranges, and the line saying what holds now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "settings/schedule.h"
#include "ui/number_field.h"
#include "ui/settings_access.h"

namespace qlv {

// The grid in the control's pixels: day names in a column on the left, hours in a row on
// top, then 48 columns of slots by 7 rows of days, each cell with its one-pixel line.
struct GridLayout {
  int32_t left = 0, top = 0;  // the first slot's corner
  int32_t cellWidth = 1, cellHeight = 1;
  int32_t right() const { return left + cellWidth * kScheduleSlots; }
  int32_t bottom() const { return top + cellHeight * kScheduleDays; }
};
// The largest cells that fit `width` x `height` after the labels' column and row.
GridLayout FitGrid(int32_t width, int32_t height, int32_t labelWidth, int32_t labelHeight);

struct SlotPoint {
  int32_t day = 0, slot = 0;
  bool operator==(const SlotPoint& o) const { return day == o.day && slot == o.slot; }
};
bool InsideGrid(const GridLayout& grid, int32_t x, int32_t y);
// The slot under a point, the point first brought onto the grid: a drag past an edge
// paints up to that edge.
SlotPoint SlotAt(const GridLayout& grid, int32_t x, int32_t y);

// `base` with every slot of the rectangle between `from` and `to` (both included, in
// any order) painted with `mode`: a press paints one slot, a drag the days and the hours
// it spans.
ScheduleLines PaintRect(const ScheduleLines& base, SlotPoint from, SlotPoint to, GuardMode mode);
// "All on": the whole week on with the day's settings, nights gone too; every line empty.
ScheduleLines AllOn();
// "Clear to on": the off slots on with the day's settings, the night slots kept.
ScheduleLines OffSlotsOn(const ScheduleLines& lines);

// A night setting's controls, in the window's order, which is kNightSettings'.
struct NightField {
  int editId, spinId, checkId;
  uint32_t messageId;  // the day field's refusal, with the range's two ends
  bool cellBound;      // the range ends at the grid's cell count
  // The value the day uses, shown greyed while the night keeps it.
  uint32_t (*dayValue)(SettingsAccess& settings);
};
extern const NightField kNightFields[kNightSettingsCount];
NumberRange NightRange(size_t index, int32_t cellCount);
// The value a night setting starts from when its "as by day" box is cleared: the day's,
// brought into the night range.
uint32_t NightStart(size_t index, uint32_t dayValue, int32_t cellCount);

// What the "now" line says: the mode at `local` and, when the week holds a change, when
// it comes. The day's name is given when the change is a day or more away, so that
// "until 22:00" never means tomorrow's.
struct NowState {
  GuardMode mode = GuardMode::Day;
  bool changes = false;
  int32_t day = 0, slot = 0;  // of the change
  bool showDay = false;
};
NowState NowStateAt(const ScheduleLines& lines, const std::tm& local);

// A string-table entry in the window's language.
using ScheduleText = std::function<std::wstring(uint32_t id)>;
// "Now: on, night settings, until 07:00", "Now: off, until Mon 22:00", "Now: on, day settings".
std::wstring NowText(const NowState& now, const ScheduleText& text);
// "07:30": a slot's start.
std::wstring SlotTime(int32_t slot);

}  // namespace qlv
