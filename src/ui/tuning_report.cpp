#include "ui/tuning_report.h"

#include <algorithm>

#include "res/resource.h"

namespace qlv {

namespace {

std::wstring Number(int64_t v) {
  const std::string s = std::to_string(v);
  return std::wstring(s.begin(), s.end());
}

// The line for the way the last run ended; 0 when it ended well or none has.
uint32_t EndText(RunEnd end) {
  switch (end) {
    case RunEnd::ChannelChanged: return IDS_TUNE_END_CHANNEL;
    case RunEnd::StreamStarted: return IDS_TUNE_END_STREAM;
    case RunEnd::WindowClosed:
    case RunEnd::Cancelled: return IDS_TUNE_END_CANCELLED;
    case RunEnd::MaskChanged: return IDS_TUNE_END_MASK;
    case RunEnd::NoMemory: return IDS_TUNE_END_MEMORY;
    case RunEnd::None:
    case RunEnd::Finished: break;
  }
  return 0;
}

}  // namespace

TuningControls TuningControlsFor(const TuningStatus& status, const std::vector<uint8_t>& watch) {
  TuningControls c;
  c.learn = !status.running;
  c.cancel = status.running;
  c.apply = status.verdict.proposed >= 0;
  c.unwatch = std::any_of(status.spoilers.begin(), status.spoilers.end(), [&](int32_t cell) {
    return cell >= 0 && static_cast<size_t>(cell) < watch.size() && watch[static_cast<size_t>(cell)] != 0;
  });
  c.progress = status.running ? std::min(std::max(status.percent, 0), 100) : 0;
  return c;
}

std::wstring FillPattern(const std::wstring& pattern, const std::vector<std::wstring>& args) {
  std::wstring out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    if (pattern[i] == L'%' && next == L'%') {
      out += L'%';
      ++i;
    } else if (pattern[i] == L'%' && next >= L'1' && next <= L'9') {
      const size_t n = static_cast<size_t>(next - L'1');
      if (n < args.size()) out += args[n];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::wstring SpoilerList(const std::vector<int32_t>& cells, int32_t columns, const std::wstring& morePattern) {
  std::wstring list;
  const size_t listed = std::min(cells.size(), kListedSpoilers);
  for (size_t i = 0; i < listed; ++i) {
    if (i > 0) list += L", ";
    const int32_t c = cells[i];
    list += columns > 0 ? Number(c % columns + 1) + L":" + Number(c / columns + 1) : Number(c + 1);
  }
  if (cells.size() > listed) list = FillPattern(morePattern, {list, Number(static_cast<int64_t>(cells.size() - listed))});
  return list;
}

std::wstring TuningReport(const TuningStatus& status, int32_t columns, const TuningText& text) {
  std::vector<std::wstring> lines;
  if (status.running) {
    lines.push_back(text(status.kind == CalibrationKind::Quiet ? IDS_TUNE_LEARNING_QUIET : IDS_TUNE_LEARNING_MOTION));
  } else if (const uint32_t end = EndText(status.lastEnd)) {
    lines.push_back(text(end));
  }

  const SweepVerdict& v = status.verdict;
  if (!status.haveQuiet)
    lines.push_back(text(IDS_TUNE_QUIET_NOT_YET));
  else if (v.quiet < 0)
    lines.push_back(text(IDS_TUNE_QUIET_NONE));
  else
    lines.push_back(FillPattern(text(IDS_TUNE_QUIET_UP_TO), {Number(v.quiet)}));
  if (!status.haveMotion)
    lines.push_back(text(IDS_TUNE_MOTION_NOT_YET));
  else if (v.walk < 0)
    lines.push_back(text(IDS_TUNE_MOTION_NONE));
  else
    lines.push_back(FillPattern(text(IDS_TUNE_MOTION_FROM), {Number(v.walk)}));

  if (status.haveQuiet && status.haveMotion) {
    if (v.proposed >= 0)
      lines.push_back(FillPattern(text(IDS_TUNE_PROPOSAL), {Number(v.proposed), Number(v.quiet), Number(v.walk)}));
    else if (v.quiet < 0)
      lines.push_back(text(IDS_TUNE_NO_SPLIT_QUIET));
    else if (v.walk < 0)
      lines.push_back(text(IDS_TUNE_NO_SPLIT_WALK));
    else
      lines.push_back(FillPattern(text(IDS_TUNE_NO_SPLIT_OVERLAP), {Number(v.walk), Number(v.quiet + 1)}));
  }
  if (!status.spoilers.empty())
    lines.push_back(
        FillPattern(text(IDS_TUNE_SPOILERS), {SpoilerList(status.spoilers, columns, text(IDS_TUNE_MORE_CELLS))}));

  std::wstring out;
  for (size_t i = 0; i < lines.size(); ++i) out += (i > 0 ? L"\r\n" : L"") + lines[i];
  return out;
}

}  // namespace qlv
