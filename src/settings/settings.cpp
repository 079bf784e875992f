#include "settings/settings.h"

#include <algorithm>

#include "settings/schedule.h"

namespace qlv {

#define QLV_FIELD(name) [](SettingsRecord& r) -> void* { return &r.name; }
#define QLV_NUM(code, name, lo, hi) {code, #name, QLV_FIELD(name), static_cast<uint32_t>(lo), static_cast<uint32_t>(hi), nullptr}
#define QLV_TXT(name, text) {kText, #name, QLV_FIELD(name), 0, 0, text}

const SettingsEntry kSettingsTable[kSettingsCount] = {
    QLV_NUM(kS64, ChannelIdx, 0, 0),
    QLV_TXT(MaskFileName, ""),
    QLV_NUM(kS32, Sensitive, 10, 0),
    QLV_NUM(kS32, FrameCounter, 1, 0),
    QLV_NUM(kS32, Duration, 10, 0),
    QLV_NUM(kBool32, ControlY, 1, 0),
    QLV_NUM(kBool32, ControlR, 0, 0),
    QLV_NUM(kBool32, ControlG, 0, 0),
    QLV_NUM(kBool32, ControlB, 0, 0),
    QLV_NUM(kBool32, RecordEnable, 0, 0),
    QLV_NUM(kS32, RecordType, 0, 0),
    QLV_NUM(kS32, RecordPause, 0, 0),
    QLV_NUM(kBool32, SoundEnable, 0, 0),
    QLV_NUM(kBool32, SoundRepeatEnable, 0, 0),
    QLV_TXT(SoundFileName, ""),
    QLV_NUM(kBool32, ProcessEnable, 0, 0),
    QLV_NUM(kBool32, ProcessRepeatEnable, 0, 0),
    QLV_TXT(ProcessFileName, ""),
    QLV_TXT(FontName, "Arial"),
    QLV_NUM(kS32b, FontSize, -34, -1),
    QLV_NUM(kS32b, FontWeight, 700, 0),
    QLV_NUM(kU8, FontItalic, 0, 0),
    QLV_NUM(kU8, FontUnderline, 1, 0),
    QLV_NUM(kU8, FontStrikeOut, 0, 0),
    QLV_NUM(kU8, FontCharSet, 1, 0),
    QLV_NUM(kU8, FontQuality, 4, 0),
    QLV_TXT(TimeFormat, "%x %H:%M:%S"),
    QLV_NUM(kS32, TextPos, 3, 0),
    QLV_NUM(kU32, TextColor, 0x00C0C0C0, 0),
    QLV_NUM(kS32, TextOpacity, 50, 0),
    QLV_NUM(kU32, GridColor, 0x0000FFFF, 0),
    QLV_NUM(kS32, GridOpacity, 30, 0),
    QLV_NUM(kU32, InactiveColor, 0x00808080, 0),
    QLV_NUM(kS32, InactiveOpacity, 0, 0),
    QLV_NUM(kU32, ActiveColor, 0x0000FF00, 0),
    QLV_NUM(kS32, ActiveOpacity, 30, 0),
    QLV_NUM(kU32, DangerColor, 0x00FF0000, 0),
    QLV_NUM(kS32, DangerOpacity, 30, 0),
    QLV_NUM(kU32, AlarmColor, 0x000000FF, 0),
    QLV_NUM(kS32, AlarmOpacity, 30, 0),
    QLV_NUM(kBool32, ShowGrid, 1, 0),
    QLV_NUM(kBool32, ShowMask, 1, 0),
    QLV_NUM(kBool32, ShowTime, 1, 0),
    QLV_NUM(kBool32, RecShowGrid, 0, 0),
    QLV_NUM(kBool32, RecShowMask, 0, 0),
    QLV_NUM(kBool32, RecShowTime, 1, 0),
    QLV_NUM(kS32, ActionTab, 0, 0),
    QLV_NUM(kS32, VisualTab, 0, 0),
    QLV_NUM(kU32, Action, 0, 0),
    QLV_NUM(kU32, ActionStopTime, 0, 0),
    {kU32, "ExtThreadHandle", QLV_FIELD(ExtTask.hThread), 0, 0, nullptr},
    {kU32, "ExtProcessHandle", QLV_FIELD(ExtTask.hProcess), 0, 0, nullptr},
};

#undef QLV_FIELD
#undef QLV_NUM
#undef QLV_TXT

SettingsRecord::SettingsRecord() {
  for (const SettingsEntry& e : kSettingsTable) ApplyDefault(e, *this);
  for (const BoundedSetting& b : kGuardSettings) this->*b.field = b.defaultValue;
  for (const BoundedSetting& b : kNightSettings) this->*b.field = b.defaultValue;
}

uint32_t MaxAlarmCells(int32_t cellCount) {
  const BoundedSetting& b = GuardSetting("MinAlarmCells");
  if (cellCount <= 0) return b.max;
  return std::max(b.min, std::min(b.max, static_cast<uint32_t>(cellCount)));
}

uint32_t FitAlarmCells(uint32_t value, int32_t cellCount) {
  return value > static_cast<uint32_t>(std::max(cellCount, 0)) ? GuardSetting("MinAlarmCells").defaultValue : value;
}

void ApplyDefault(const SettingsEntry& e, SettingsRecord& r) {
  if (e.code == kText) {
    *static_cast<std::string*>(e.field(r)) = e.defaultText ? e.defaultText : "";
  } else if (e.code < kText) {
    StoreNumber(e, r, (static_cast<uint64_t>(e.defaultHigh) << 32) | e.defaultLow);
  }
}

void StoreNumber(const SettingsEntry& e, SettingsRecord& r, uint64_t v) {
  void* p = e.field(r);
  switch (e.code) {
    case kU8: *static_cast<uint8_t*>(p) = static_cast<uint8_t>(v); break;
    case kS16: case kU16: case kU16b: *static_cast<uint16_t*>(p) = static_cast<uint16_t>(v); break;
    case kBool32: case kU32: case kS32: case kU32b: case kS32b: case kU32c:
      *static_cast<uint32_t*>(p) = static_cast<uint32_t>(v); break;
    case kS64: case kU64: *static_cast<uint64_t*>(p) = v; break;
    default: break;
  }
}

uint64_t LoadNumber(const SettingsEntry& e, const SettingsRecord& r) {
  const void* p = e.field(const_cast<SettingsRecord&>(r));
  switch (e.code) {
    case kU8: return *static_cast<const uint8_t*>(p);
    case kS16: return static_cast<uint64_t>(static_cast<int64_t>(*static_cast<const int16_t*>(p)));
    case kU16: case kU16b: return *static_cast<const uint16_t*>(p);
    case kS32: case kS32b: return static_cast<uint64_t>(static_cast<int64_t>(*static_cast<const int32_t*>(p)));
    case kBool32: case kU32: case kU32b: case kU32c: return *static_cast<const uint32_t*>(p);
    case kS64: case kU64: return *static_cast<const uint64_t*>(p);
    default: return 0;
  }
}

}  // namespace qlv
