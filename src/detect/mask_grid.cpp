#include "detect/mask_grid.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/file_replace.h"

namespace qlv {

bool MaskGrid::AllocateCells() {
  FreeCells();
  bool sane = columns_ > 0 && rows_ > 0 && columns_ <= kMaxDimension && rows_ <= kMaxDimension &&
              cellCount_ == columns_ * rows_;
  if (sane) {
    size_t n = static_cast<size_t>(cellCount_);
    watch_.reset(new (std::nothrow) uint8_t[n]);
    try {
      epochs_.cell.assign(n, 0);
    } catch (const std::bad_alloc&) {
      watch_.reset();
    }
  }
  if (!watch_) {
    FreeCells();
    columns_ = rows_ = cellCount_ = 0;
    return false;
  }
  std::memset(watch_.get(), 0, static_cast<size_t>(cellCount_));
  RestartCells();
  return true;
}

void MaskGrid::FreeCells() {
  watch_.reset();
  epochs_.cell.clear();
  epochs_.cell.shrink_to_fit();
}

void MaskGrid::RestartCells() {
  if (!HasCells()) return;
  epochs_.whole = NextEpoch();
}

bool MaskGrid::Resize(int32_t columns, int32_t rows) {
  columns_ = columns;
  rows_ = rows;
  cellCount_ = (columns > 0 && rows > 0 && columns <= kMaxDimension && rows <= kMaxDimension) ? columns * rows : 0;
  return AllocateCells();
}

void MaskGrid::SetDefaultGrid() { Resize(kDefaultColumns, kDefaultRows); }

void MaskGrid::WatchAll() {
  if (!HasCells()) return;
  std::memset(watch_.get(), 1, static_cast<size_t>(cellCount_));
  RestartCells();
}

void MaskGrid::ClearAll() {
  if (!HasCells()) return;
  std::memset(watch_.get(), 0, static_cast<size_t>(cellCount_));
}

// A cell that becomes watched starts from rest, so its first comparison cannot count.
void MaskGrid::FlipCell(int32_t i) {
  watch_[i] = watch_[i] == 0 ? 1 : 0;
  if (watch_[i]) epochs_.cell[static_cast<size_t>(i)] = NextEpoch();
}

void MaskGrid::InvertMask() {
  if (!HasCells()) return;
  for (int32_t i = 0; i < cellCount_; ++i) FlipCell(i);
}

void MaskGrid::ToggleCell(int32_t column, int32_t row) {
  if (!HasCells() || column < 0 || column >= columns_ || row < 0 || row >= rows_) return;
  FlipCell(row * columns_ + column);
}

namespace {

int32_t ReadLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void WriteLe32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

// The file's 10 bytes before the flags: the format tag, then the dimensions.
void WriteHeader(uint8_t header[10], int32_t columns, int32_t rows) {
  header[0] = static_cast<uint8_t>(MaskGrid::kFormatTag & 0xFF);
  header[1] = static_cast<uint8_t>(MaskGrid::kFormatTag >> 8);
  WriteLe32(header + 2, columns);
  WriteLe32(header + 6, rows);
}

}  // namespace

bool MaskGrid::LoadMaskFile(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  // Read-only: a write-protected mask file must load too.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return true;
  // Nothing past the largest grid is ever read.
  std::string bytes(10 + static_cast<size_t>(kMaxDimension) * kMaxDimension, '\0');
  bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));
  std::fclose(f);
  LoadMaskBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

void MaskGrid::LoadMaskBytes(const uint8_t* data, size_t size) {
  if (!data) size = 0;
  const int32_t columns = size >= 10 ? ReadLe32(data + 2) : 0;  // tag ignored
  const int32_t rows = size >= 10 ? ReadLe32(data + 6) : 0;
  if (columns < 1 || rows < 1 || columns > kMaxDimension || rows > kMaxDimension) return;
  FreeCells();
  if (Resize(columns, rows)) {
    // Flags beyond the end of a short file stay 0.
    const size_t have = size - 10 < static_cast<size_t>(cellCount_) ? size - 10 : static_cast<size_t>(cellCount_);
    if (have) std::memcpy(watch_.get(), data + 10, have);
  }
}

std::string MaskGrid::MaskBytes() const {
  std::string out(10, '\0');
  WriteHeader(reinterpret_cast<uint8_t*>(&out[0]), columns_, rows_);
  if (HasCells()) out.append(reinterpret_cast<const char*>(watch_.get()), static_cast<size_t>(cellCount_));
  return out;
}

bool MaskGrid::SaveMaskFile(const std::string& path) const {
  return WriteMaskFile(path, columns_, rows_, watch_.get(), HasCells() ? static_cast<size_t>(cellCount_) : 0);
}

bool WriteMaskFile(const std::string& path, int32_t columns, int32_t rows, const uint8_t* flags, size_t count) {
  if (path.empty()) return false;
  // Written beside the target and moved over it only when complete: a failed
  // save leaves the previous file as it was.
  const std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  uint8_t header[10];
  WriteHeader(header, columns, rows);
  bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
  if (ok && flags && count > 0) ok = std::fwrite(flags, 1, count, f) == count;
  if (ok) ok = FlushToDisk(f);
  if (std::fclose(f) != 0) ok = false;
  if (ok) ok = ReplaceFileAtomically(temp, path);
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace qlv
