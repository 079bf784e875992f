#include "settings/ini_store.h"

#include <cinttypes>
#include <cstring>

#include "settings/schedule.h"

#include "platform/file_replace.h"

namespace qlv {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimLeft(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string Trim(const std::string& s) { return TrimRight(TrimLeft(s)); }

const char kLineEnd[] = "\r\n";  // written as bytes: the file is CR LF on every platform

}  // namespace

uint64_t ParseDecimal(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint64_t v = 0;  // wraps modulo 2^64 by the rules of unsigned arithmetic
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = v * 10u + static_cast<uint64_t>(text[i] - '0');
  return negative ? uint64_t{0} - v : v;
}

std::string FormatNumber(uint32_t code, uint64_t value) {
  char buf[32];
  switch (code) {
    case kU8: std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(static_cast<uint8_t>(value))); break;
    case kS16: std::snprintf(buf, sizeof buf, "%d", static_cast<int>(static_cast<int16_t>(value))); break;
    case kU16: case kU16b:
      std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(static_cast<uint16_t>(value))); break;
    case kBool32: case kU32: case kU32b: case kU32c:
      std::snprintf(buf, sizeof buf, "%" PRIu32, static_cast<uint32_t>(value)); break;
    case kS32: case kS32b: std::snprintf(buf, sizeof buf, "%" PRId32, static_cast<int32_t>(value)); break;
    case kS64: std::snprintf(buf, sizeof buf, "%" PRId64, static_cast<int64_t>(value)); break;
    case kU64: std::snprintf(buf, sizeof buf, "%" PRIu64, value); break;
    default: return std::string();
  }
  return buf;
}

IniStore::~IniStore() {
  if (tempFile_) {
    std::fclose(tempFile_);
    std::remove(TempPath().c_str());
  }
}

bool IniStore::Open(bool forWriting) {
  if (open_) Close();
  sectionPos_ = 0;
  cursor_ = 0;
  content_.clear();
  writing_ = forWriting;
  open_ = false;
  if (location.fullPath.empty()) return false;
  if (forWriting) {
    tempFile_ = std::fopen(TempPath().c_str(), "wb");
    open_ = tempFile_ != nullptr;
    return open_;
  }
  // Append mode creates a missing file and never truncates an existing one.
  std::FILE* f = std::fopen(location.fullPath.c_str(), "ab");
  if (!f) return false;
  std::fclose(f);
  f = std::fopen(location.fullPath.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content_.append(buf, n);
  std::fclose(f);
  open_ = true;
  return true;
}

void IniStore::OpenText(std::string bytes) {
  if (open_) Close();
  sectionPos_ = 0;
  cursor_ = 0;
  writing_ = false;
  content_ = std::move(bytes);
  open_ = true;
}

bool IniStore::Close() {
  if (!open_) return false;
  open_ = false;
  bool ok = true;
  if (writing_) ok = CommitWrite();
  content_.clear();
  content_.shrink_to_fit();
  writing_ = false;
  return ok;
}

bool IniStore::CommitWrite() {
  const std::string temp = TempPath();
  bool ok = true;
  size_t done = 0;
  while (ok && done < content_.size()) {
    const size_t chunk = content_.size() - done;
    const size_t wrote = WriteChunk(tempFile_, content_.data() + done, chunk, done);
    done += wrote;
    if (wrote != chunk) ok = false;
  }
  if (ok) ok = FlushToDisk(tempFile_);
  if (std::fclose(tempFile_) != 0) ok = false;
  tempFile_ = nullptr;
  if (ok) ok = ReplaceFileAtomically(temp, location.fullPath);
  if (!ok) std::remove(temp.c_str());
  return ok;
}

size_t IniStore::WriteChunk(std::FILE* f, const char* data, size_t bytes, size_t) {
  return std::fwrite(data, 1, bytes, f);
}

std::string IniStore::ReadLine(size_t* pos) const {
  const size_t start = *pos;
  size_t end = content_.find('\n', start);
  if (end == std::string::npos) {
    end = content_.size();
    *pos = end;
  } else {
    *pos = end + 1;
  }
  // Text-mode reading: CR LF comes back as a bare line end.
  if (end > start && content_[end - 1] == '\r' && end < content_.size()) --end;
  return content_.substr(start, end - start);
}

bool IniStore::FindSection(const std::string& header) {
  if (!open_ || writing_ || content_.empty()) return false;
  const size_t len = content_.size();
  if (sectionPos_ >= len) sectionPos_ = 0;
  size_t pos = sectionPos_;
  do {
    const size_t lineStart = pos;
    if (Trim(ReadLine(&pos)) == header) {
      sectionPos_ = lineStart;
      cursor_ = pos;
      return true;
    }
    if (pos >= len) pos = 0;
  } while (pos != sectionPos_);
  return false;
}

bool IniStore::FindValue(const char* section, const char* key, std::string* value) {
  if (!FindSection("[" + Trim(section) + "]")) return false;
  const std::string wanted = Trim(key);
  size_t pos = cursor_;
  while (pos < content_.size()) {
    const std::string line = TrimLeft(ReadLine(&pos));
    if (line.empty()) continue;
    if (line[0] == '[') return false;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (TrimRight(line.substr(0, eq)) != wanted) continue;
    // An empty value ends the search: a later repeat of the key is not looked at.
    if (eq + 1 == line.size()) return false;
    *value = line.substr(eq + 1);
    return true;
  }
  return false;
}

void IniStore::ReadTable(const char* section, const SettingsEntry* table, size_t count, SettingsRecord& target) {
  std::string value;
  for (size_t i = 0; i < count; ++i) {
    const SettingsEntry& e = table[i];
    if (e.code > kText) continue;
    if (!FindValue(section, e.key, &value)) {
      ApplyDefault(e, target);
    } else if (e.code == kText) {
      *static_cast<std::string*>(e.field(target)) = value;
    } else {
      StoreNumber(e, target, ParseDecimal(value));
    }
  }
}

void IniStore::ReadInt(const char* section, const char* key, int32_t* target, int32_t defaultValue) {
  std::string value;
  *target = FindValue(section, key, &value) ? static_cast<int32_t>(static_cast<uint32_t>(ParseDecimal(value)))
                                            : defaultValue;
}

void IniStore::WriteLine(const std::string& line) {
  if (!open_ || !writing_) return;
  content_ += line;
  content_ += kLineEnd;
}

void IniStore::WriteSectionHeader(const char* section) { WriteLine("[" + Trim(section) + "]"); }

void IniStore::WriteInt(const char* key, int32_t value) {
  WriteLine(Trim(key) + "=" + FormatNumber(kS32, static_cast<uint64_t>(static_cast<int64_t>(value))));
}

void IniStore::ReadBounded(const char* section, const BoundedSetting* settings, size_t count,
                           SettingsRecord& target) {
  std::string value;
  for (size_t i = 0; i < count; ++i) {
    const BoundedSetting& b = settings[i];
    uint32_t v = b.defaultValue;
    if (FindValue(section, b.key, &value)) v = static_cast<uint32_t>(ParseDecimal(value));
    target.*b.field = v >= b.min && v <= b.max ? v : b.defaultValue;
  }
}

void IniStore::WriteBounded(const BoundedSetting* settings, size_t count, const SettingsRecord& source) {
  for (size_t i = 0; i < count; ++i) {
    const BoundedSetting& b = settings[i];
    const uint32_t v = source.*b.field;
    if (v != b.defaultValue) WriteLine(std::string(b.key) + "=" + FormatNumber(kU32, v));
  }
}

void IniStore::ReadSchedule(const char* section, ScheduleLines* lines) {
  for (int32_t d = 0; d < kScheduleDays; ++d) {
    std::string& line = (*lines)[static_cast<size_t>(d)];
    if (!FindValue(section, kScheduleKeys[d], &line)) line.clear();
  }
}

void IniStore::WriteSchedule(const ScheduleLines& lines) {
  for (int32_t d = 0; d < kScheduleDays; ++d) {
    const std::string& line = lines[static_cast<size_t>(d)];
    if (line.empty() || (IsScheduleLine(line) && line.find_first_not_of('1') == std::string::npos)) continue;
    WriteLine(std::string(kScheduleKeys[d]) + "=" + line);
  }
}

void IniStore::WriteTable(const SettingsEntry* table, size_t count, const SettingsRecord& source) {
  for (size_t i = 0; i < count; ++i) {
    const SettingsEntry& e = table[i];
    if (e.code > kText) continue;
    SettingsRecord& r = const_cast<SettingsRecord&>(source);  // field() is non-const; nothing is written
    const std::string text =
        e.code == kText ? *static_cast<const std::string*>(e.field(r)) : FormatNumber(e.code, LoadNumber(e, source));
    WriteLine(Trim(e.key) + "=" + text);
  }
}

}  // namespace qlv
