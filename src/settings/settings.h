// The persisted settings in one flat record: the 52 described by a static table, then the
// false-alarm guards' four with their own table of keys and ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <array>
#include <string>
#include <string_view>

#include "platform/process_info.h"

namespace qlv {

// Type codes of a table entry: width and signedness of the field and its text form.
// kU16b, kU32b, kS32b and kU32c are second names of kU16, kU32, kS32 and kU32: handled alike.
enum TypeCode : uint32_t {
  kU8 = 0, kS16 = 1, kU16 = 2, kU16b = 3, kBool32 = 4, kU32 = 5, kS32 = 6, kU32b = 7,
  kS32b = 8, kU32c = 9, kS64 = 10, kU64 = 11, kText = 12,
};

// Bits of SettingsRecord::Action.
enum ActionBits : uint32_t {
  kActSequence = 0x02, kActVideo = 0x04, kActKind3 = 0x08, kActPaused = 0x10, kActSound = 0x20,
};

// What an alarm records (SettingsRecord::RecordType); other values record nothing.
enum class RecordKind : int32_t { Snapshot = 0, SnapshotSequence = 1, Video = 2, Kind3 = 3 };

// The weekly schedule's seven lines, Monday first, each as the file held it (empty: absent).
using ScheduleLines = std::array<std::string, 7>;

// Fields follow the table order with the widths of their type codes.
struct SettingsRecord {
  int64_t ChannelIdx;
  std::string MaskFileName;
  int32_t Sensitive;
  int32_t FrameCounter;
  int32_t Duration;
  uint32_t ControlY;
  uint32_t ControlR;
  uint32_t ControlG;
  uint32_t ControlB;
  uint32_t RecordEnable;
  int32_t RecordType;
  int32_t RecordPause;
  uint32_t SoundEnable;
  uint32_t SoundRepeatEnable;
  std::string SoundFileName;
  uint32_t ProcessEnable;
  uint32_t ProcessRepeatEnable;
  std::string ProcessFileName;
  std::string FontName;
  int32_t FontSize;
  int32_t FontWeight;
  uint8_t FontItalic;
  uint8_t FontUnderline;
  uint8_t FontStrikeOut;
  uint8_t FontCharSet;
  uint8_t FontQuality;
  std::string TimeFormat;
  int32_t TextPos;
  uint32_t TextColor;
  int32_t TextOpacity;
  uint32_t GridColor;
  int32_t GridOpacity;
  uint32_t InactiveColor;
  int32_t InactiveOpacity;
  uint32_t ActiveColor;
  int32_t ActiveOpacity;
  uint32_t DangerColor;
  int32_t DangerOpacity;
  uint32_t AlarmColor;
  int32_t AlarmOpacity;
  uint32_t ShowGrid;
  uint32_t ShowMask;
  uint32_t ShowTime;
  uint32_t RecShowGrid;
  uint32_t RecShowMask;
  uint32_t RecShowTime;
  int32_t ActionTab;
  int32_t VisualTab;
  uint32_t Action;
  uint32_t ActionStopTime;
  ProcessInfo ExtTask;  // ExtProcessHandle and ExtThreadHandle are saved; the two ids are not

  // The false-alarm guards, kept after the table (kGuardSettings, which holds their defaults).
  uint32_t LightChangePercent;  // share of watched cells changed at once that makes a light change
  uint32_t LightChangeFrames;   // frames held, the light-change frame included
  uint32_t MuteBusyPercent;     // a cell changed in more of its last 100 frames is muted
  uint32_t MinAlarmCells;       // watched, unmuted cells in Alarm at once that make an alarm
  // The intruder options, kept after the guards in the same table: all off by default.
  uint32_t SceneSeconds;     // also compare each cell with its learnt scene; a change this long joins it
  uint32_t ViewLostSeconds;  // "View lost" when the picture has been unlike the remembered view this long
  uint32_t BusyMargin;       // a busy cell counts a change only above its recent peak plus this
  // The weekly schedule and the night settings (kNightSettings; unset: as by day).
  ScheduleLines Schedule;
  uint32_t NightSensitive;
  uint32_t NightFrameCounter;
  uint32_t NightMinAlarmCells;
  uint32_t NightLightChangePercent;
  uint32_t NightMuteBusyPercent;
  uint32_t NightSceneSeconds;

  // Every field at its tables' default (text fields included).
  SettingsRecord();

  uint32_t ChannelId0() const { return static_cast<uint32_t>(static_cast<uint64_t>(ChannelIdx)); }
  uint32_t ChannelId1() const { return static_cast<uint32_t>(static_cast<uint64_t>(ChannelIdx) >> 32); }
};

// One table entry. `field` returns the address of the entry's field in a record.
struct SettingsEntry {
  uint32_t code;
  const char* key;
  void* (*field)(SettingsRecord&);
  uint32_t defaultLow;
  uint32_t defaultHigh;
  const char* defaultText;  // code 12 only
};

constexpr size_t kSettingsCount = 52;
extern const SettingsEntry kSettingsTable[kSettingsCount];

// Settings kept after the table's: unsigned 32-bit values with a range. The file holds a
// key only while its value differs from the default, so a file written without them
// stays as it was; a value outside the range reads as the default.
struct BoundedSetting {
  const char* key;
  uint32_t SettingsRecord::*field;
  uint32_t min, max, defaultValue;
};

// The most columns, and rows, a grid may have: a mask file outside it is not loaded.
constexpr int32_t kMaxGridDimension = 256;
constexpr uint32_t kMaxCells = static_cast<uint32_t>(kMaxGridDimension) * kMaxGridDimension;

// The guards and the intruder options: all off by default. Their defaults, ranges and clamps are read from here only.
inline constexpr BoundedSetting kGuardSettings[] = {
    {"LightChangePercent", &SettingsRecord::LightChangePercent, 0, 100, 0},
    {"LightChangeFrames", &SettingsRecord::LightChangeFrames, 1, 250, 10},
    {"MuteBusyPercent", &SettingsRecord::MuteBusyPercent, 0, 100, 0},
    {"MinAlarmCells", &SettingsRecord::MinAlarmCells, 1, kMaxCells, 1},
    {"SceneSeconds", &SettingsRecord::SceneSeconds, 0, 600, 0},
    {"ViewLostSeconds", &SettingsRecord::ViewLostSeconds, 0, 600, 0},
    {"BusyMargin", &SettingsRecord::BusyMargin, 0, 50, 0},
};
constexpr size_t kGuardSettingsCount = sizeof(kGuardSettings) / sizeof(kGuardSettings[0]);

// The entry of `key`; a key the table lacks fails to compile where the call is constant.
constexpr const BoundedSetting& GuardSetting(std::string_view key) {
  for (const BoundedSetting& b : kGuardSettings)
    if (key == b.key) return b;
  throw "no such guard key";
}

// The most alarmed cells a grid of `cellCount` cells can reach (none allocated: the table's end).
uint32_t MaxAlarmCells(int32_t cellCount);
// MinAlarmCells on a grid of `cellCount` cells: more than the grid has could never alarm,
// so such a value reads as the default, like any value out of range.
uint32_t FitAlarmCells(uint32_t value, int32_t cellCount);

// Stores the entry's default into its field of `r`.
void ApplyDefault(const SettingsEntry& e, SettingsRecord& r);

// Stores a 64-bit value into the entry's field, kept to the field's width.
void StoreNumber(const SettingsEntry& e, SettingsRecord& r, uint64_t value);

// Reads the entry's field widened to 64 bits (sign-extended for signed codes).
uint64_t LoadNumber(const SettingsEntry& e, const SettingsRecord& r);

}  // namespace qlv
