// Picture and video files the stand-in host writes: BMP snapshots and
// uncompressed AVI segments, both readable by ffmpeg. Portable; no Win32.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace hostsim {

// Host frame layouts: code 0 packed Y0 U Y1 V top row first; code 1 B G R bottom row first.
constexpr int32_t kLayoutYuy2 = 0;
constexpr int32_t kLayoutRgb24 = 1;

struct FrameLayout {
  int32_t width = 0;
  int32_t height = 0;
  int32_t format = kLayoutYuy2;

  int32_t BytesPerPixel() const { return format == kLayoutYuy2 ? 2 : 3; }
  size_t RowBytes() const { return static_cast<size_t>(width) * BytesPerPixel(); }
  size_t FrameBytes() const { return RowBytes() * static_cast<size_t>(height); }
  // Positive sizes, known format, even width for YUY2, at most 16384 x 16384.
  bool Valid() const;
};

// Reverses the order of the rows of a packed image (top-down <-> bottom-up).
void FlipRows(const uint8_t* src, uint8_t* dst, size_t rowBytes, int32_t rows);

// Converts a frame in host layout into a 24-bit DIB body: B G R, bottom row first,
// rows padded to 4 bytes. YUY2 uses the BT.601 video-range integer conversion that
// ffmpeg applies to yuyv422, so snapshots match the recorded video.
void FrameToDib24(const FrameLayout& layout, const uint8_t* frame, std::vector<uint8_t>* dib);

// Row stride of a 24-bit DIB of the given width.
size_t Dib24Stride(int32_t width);

// The 54-byte header of a 24-bit bottom-up BMP file.
std::vector<uint8_t> Bmp24Header(int32_t width, int32_t height);

// Writes a frame as a 24-bit BMP file; false when the file cannot be written.
bool WriteBmp(const std::string& path, const FrameLayout& layout, const uint8_t* frame);

// An uncompressed AVI file of one video stream: YUY2 frames for layout 0, 24-bit
// bottom-up DIBs for layout 1 (rows padded to 4 bytes), with an idx1 index.
class AviWriter {
 public:
  AviWriter() = default;
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // fpsNum/fpsDen is the nominal frame rate written into the headers.
  bool Open(const std::string& path, const FrameLayout& layout, uint32_t fpsNum, uint32_t fpsDen);
  bool AddFrame(const uint8_t* frame);
  // Writes the index and patches the sizes and frame counts; false on a write error.
  bool Close();

  bool IsOpen() const { return file_ != nullptr; }
  uint32_t frames() const { return frames_; }
  // Bytes the file will hold with one more frame; the recorder keeps each segment within
  // kAviSegmentLimit by it.
  uint64_t BytesWithNextFrame() const;

 private:
  std::FILE* file_ = nullptr;
  FrameLayout layout_;
  uint32_t frames_ = 0;
  uint32_t frameChunkBytes_ = 0;
  uint32_t moviListPos_ = 0;  // offset of the 'movi' fourcc
  std::vector<uint8_t> row_;
  std::vector<uint8_t> scratch_;
  bool ok_ = true;
};

constexpr uint64_t kAviSegmentLimit = 1ull << 30;

// Size of the headers that AviWriter writes before the first frame chunk.
constexpr uint32_t kAviHeaderBytes = 12 + 8 + 4 + 8 + 56 + 8 + 4 + 8 + 56 + 8 + 40 + 12;

}  // namespace hostsim
