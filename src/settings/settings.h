// The persisted settings in one flat record: the 52 described by a static table, then the
// false-alarm guards' four with their own table of keys and ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

  // The false-alarm guards, kept after the table (kGuardSettings): all off by default.
  uint32_t LightChangePercent = 0;  // share of watched cells changed at once that makes a light change
  uint32_t LightChangeFrames = 10;  // frames held, the light-change frame included
  uint32_t MuteBusyPercent = 0;     // a cell changed in more of its last 100 frames is muted
  uint32_t MinAlarmCells = 1;       // watched, unmuted cells in Alarm at once that make an alarm

  // Every field at its table default (text fields included).
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

constexpr uint32_t kMaxCells = 256 * 256;  // the largest grid a mask file may carry
constexpr size_t kGuardSettingsCount = 4;
extern const BoundedSetting kGuardSettings[kGuardSettingsCount];

// Stores the entry's default into its field of `r`.
void ApplyDefault(const SettingsEntry& e, SettingsRecord& r);

// Stores a 64-bit value into the entry's field, kept to the field's width.
void StoreNumber(const SettingsEntry& e, SettingsRecord& r, uint64_t value);

// Reads the entry's field widened to 64 bits (sign-extended for signed codes).
uint64_t LoadNumber(const SettingsEntry& e, const SettingsRecord& r);

}  // namespace qlv
