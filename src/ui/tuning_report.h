// The detector tuning window's "Tuning" group as its state says: which of its buttons
// are enabled, where the progress bar stands, and the lines of its result text, made from
// string-table patterns in the window's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plugin/detector_tuning.h"

namespace qlv {

struct TuningControls {
  bool learn = true;     // both learn buttons
  bool cancel = false;
  bool apply = false;    // there is a proposal
  bool unwatch = false;  // a cell that spoils it is still watched
  int32_t progress = 0;  // percent
};
// `watch`: the grid's watched flags as they are now.
TuningControls TuningControlsFor(const TuningStatus& status, const std::vector<uint8_t>& watch);

// The pattern with "%1" to "%9" replaced by `args` (an argument missing: nothing) and "%%"
// by "%"; anything else stays as it is, since the pattern is resource text.
std::wstring FillPattern(const std::wstring& pattern, const std::vector<std::wstring>& args);

constexpr size_t kListedSpoilers = 12;
// Cells as "column:row" counted from 1 on a grid of `columns`, ", " between them; beyond
// kListedSpoilers the rest are counted by `morePattern` ("%1 and %2 more").
std::wstring SpoilerList(const std::vector<int32_t>& cells, int32_t columns, const std::wstring& morePattern);

// A string-table entry in the window's language.
using TuningText = std::function<std::wstring(uint32_t id)>;

// The result text, its lines ended by CR LF: what is going on or why the last run ended,
// the quiet and the motion result, and with both of them the proposal or why there is none
// with the cells that spoil it. `columns`: the grid's, to name the cells.
std::wstring TuningReport(const TuningStatus& status, int32_t columns, const TuningText& text);

}  // namespace qlv
