// The settings file: one section of key=value lines, read one key at a time by
// searching the file, written whole in table order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "settings/settings.h"

namespace qlv {

// Where the settings file lives, filled by BuildSettingsPath.
struct SettingsLocation {
  std::string instance;  // empty, or the one-character host instance id
  std::string folder;    // ends in a backslash; empty when the platform could not be determined
  std::string baseName;  // the plug-in module's file name without folder and extension
  std::string fileName;  // baseName + ".ini"
  std::string fullPath;  // folder + fileName
};

// Decimal reading shared by every numeric type code: leading white space, one
// sign, digits up to the first non-digit, accumulated modulo 2^64 (callers keep
// the low bits they need). No digits reads as 0.
uint64_t ParseDecimal(const std::string& text);

// Text form of a numeric entry's field as written to the file.
std::string FormatNumber(uint32_t code, uint64_t value);

class IniStore {
 public:
  SettingsLocation location;

  IniStore() = default;
  IniStore(const IniStore&) = delete;
  IniStore& operator=(const IniStore&) = delete;
  virtual ~IniStore();

  // Reading: creates the file empty when missing, never truncates, and reads it.
  // Writing: prepares a temporary file beside the target; the target itself is
  // replaced only when Close has written the temporary file completely.
  bool Open(bool forWriting);
  // Reading: forgets the content. Writing: commits. Returns false when a write
  // could not be committed (the old file is then untouched).
  bool Close();
  bool IsOpen() const { return open_; }
  // Reading from bytes already in memory, as if a file held them (fuzzing, tests).
  void OpenText(std::string bytes);

  void ReadTable(const char* section, const SettingsEntry* table, size_t count, SettingsRecord& target);
  void ReadInt(const char* section, const char* key, int32_t* target, int32_t defaultValue);
  // Each value read as the table reads unsigned 32-bit ones; absent or out of range: the default.
  void ReadBounded(const char* section, const BoundedSetting* settings, size_t count, SettingsRecord& target);
  // The schedule's lines as found (absent: empty).
  void ReadSchedule(const char* section, ScheduleLines* lines);
  // Value of `key` in `section`; false when not found or empty.
  bool FindValue(const char* section, const char* key, std::string* value);

  void WriteSectionHeader(const char* section);
  void WriteInt(const char* key, int32_t value);
  void WriteTable(const SettingsEntry* table, size_t count, const SettingsRecord& source);
  // Only the values that differ from their defaults.
  void WriteBounded(const BoundedSetting* settings, size_t count, const SettingsRecord& source);
  // Only the days that are not all on; a line that is no valid day is written as it was found.
  void WriteSchedule(const ScheduleLines& lines);

  // Name of the temporary file used while saving.
  std::string TempPath() const { return location.fullPath + ".tmp"; }

 protected:
  // One write of the commit: `bytes` bytes that start `offset` bytes into the
  // file. Returns how many reached the stream; fewer than asked fails the commit.
  virtual size_t WriteChunk(std::FILE* f, const char* data, size_t bytes, size_t offset);

 private:
  bool FindSection(const std::string& header);
  // Reads the line at `pos`, returns it without its line end and moves `pos`
  // past the line end.
  std::string ReadLine(size_t* pos) const;
  bool CommitWrite();
  void WriteLine(const std::string& line);

  bool open_ = false;
  bool writing_ = false;
  std::FILE* tempFile_ = nullptr;  // writing only
  std::string content_;   // reading: the file's bytes; writing: the bytes to save
  size_t sectionPos_ = 0; // start of the header found last
  size_t cursor_ = 0;     // line after the header found last
};

}  // namespace qlv
