#include "detect/motion_detector.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pixel/frame_layout.h"
#include "pixel/kernels.h"
#include "pixel/mul_div.h"
#include "pixel/sample_conversion.h"

namespace qlv {

namespace {

// Truncated means; 64-bit sums so that no cell size can overflow them.
uint32_t PackMeans(const uint64_t sums[4], uint64_t area) {
  uint32_t word = 0;
  for (int c = 0; c < 4; ++c) word |= static_cast<uint32_t>(sums[c] / area) << (8 * c);
  return word;
}

uint32_t AverageWith(const kernels::KernelSet& k, const uint32_t* sample, int32_t width, int32_t height,
                     const CellRect& r) {
  uint64_t sums[4] = {0, 0, 0, 0};
  for (int32_t y = r.top; y < r.bottom; ++y) {
    const uint32_t* row = PictureRow(sample, PixelFormatRGB24, y, height, width);  // samples run bottom-up
    uint32_t rowSums[4] = {0, 0, 0, 0};  // one row: at most width * 255
    k.sumSampleRow(row + r.left, r.right - r.left, rowSums);
    for (int c = 0; c < 4; ++c) sums[c] += rowSums[c];
  }
  uint64_t area = static_cast<uint64_t>(r.right - r.left) * static_cast<uint64_t>(r.bottom - r.top);
  return PackMeans(sums, area);
}

inline bool Empty(const CellRect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Rows summed into the 16-bit column sums before they are emptied: 256 * 255 < 65536.
constexpr int32_t kRowsPerChunk = kernels::kMaxAccumulateRows;

}  // namespace

uint32_t CellAverage(const uint32_t* sample, int32_t width, int32_t height, const CellRect& r) {
  return AverageWith(*kernels::KernelsFor(kernels::KernelLevel::Reference), sample, width, height, r);
}

namespace {
// Made at load, not at first use: a function-local static would bring in the runtime's guard
// lock, a handle the library leaves behind at every load.
const SettingsRecord kDefaultSettings;
}  // namespace

const SettingsRecord& DetectorParams::Defaults() { return kDefaultSettings; }

uint8_t ChangeLevel(uint32_t oldWord, uint32_t newWord, const DetectorParams& p) {
  const int32_t level = CellLevel(oldWord, newWord, p.channels());
  return static_cast<uint8_t>(level == kNoLevel ? 0 : level);
}

MotionDetector::MotionDetector() : kernels_(&kernels::ActiveKernels()) {}

MotionDetector::~MotionDetector() { FreeSamples(); }

void MotionDetector::SetKernelLevel(kernels::KernelLevel level) {
  const kernels::KernelSet* k = kernels::KernelsFor(level);
  kernels_ = k ? k : &kernels::ActiveKernels();
}

void MotionDetector::FreeSamples() {
  if (samples_) ::operator delete[](samples_, std::align_val_t(16));
  samples_ = nullptr;
  sampleWidth_ = sampleHeight_ = 0;
}

bool MotionDetector::ResizeSamples(int32_t width, int32_t height) {
  if (samples_ && width == sampleWidth_ && height == sampleHeight_) return true;
  FreeSamples();
  if (width <= 0 || height <= 0) return false;
  uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
  if (bytes > 0xFFFFFFFFull || bytes > SIZE_MAX) return false;
  try {
    acc_.assign(4 * (static_cast<size_t>(width) + 2), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  void* p = ::operator new[](static_cast<size_t>(bytes), std::align_val_t(16), std::nothrow);
  if (!p) return false;
  // Zeroed, so that a frame in an unknown format averages defined (and unchanging) bytes.
  std::memset(p, 0, static_cast<size_t>(bytes));
  samples_ = static_cast<uint32_t*>(p);
  sampleWidth_ = width;
  sampleHeight_ = height;
  return true;
}

// CellRectOf for every edge once per frame: column j spans edgesX_[j] .. edgesX_[j + 1].
void MotionDetector::ComputeEdges(int32_t columns, int32_t rows) {
  edgesX_.resize(static_cast<size_t>(columns) + 1);
  edgesY_.resize(static_cast<size_t>(rows) + 1);
  CellEdges(sampleWidth_, columns, edgesX_.data());
  CellEdges(sampleHeight_, rows, edgesY_.data());
}

namespace {

// Adds the column sums of pixels [l, r) to sums[4], in pieces whose 32-bit sums cannot overflow.
void AddColumnSums(const kernels::KernelSet& k, const uint16_t* acc, int32_t l, int32_t r, uint64_t sums[4]) {
  while (l < r) {
    int32_t n = r - l > 65536 ? 65536 : r - l;
    uint32_t part[4] = {0, 0, 0, 0};
    k.sumColumns(acc + 4 * static_cast<size_t>(l), n, part);
    for (int c = 0; c < 4; ++c) sums[c] += part[c];
    l += n;
  }
}

}  // namespace

// Means of the watched, non-empty cells of one band of cells into bandMeans_, from one
// pass over the band's rows that converts and sums at once (no sample buffer).
void MotionDetector::BandMeans(const uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid, int32_t row) {
  const int32_t W = canvas.width(), columns = grid.columns();
  const uint8_t* watch = grid.watch() + static_cast<size_t>(row) * columns;
  const int32_t top = edgesY_[row], bottom = edgesY_[row + 1];
  if (bottom <= top) return;  // a frame with fewer rows than the grid: empty band
  int32_t x0 = W, x1 = 0;
  for (int32_t j = 0; j < columns; ++j) {
    if (!watch[j] || edgesX_[j + 1] <= edgesX_[j]) continue;
    x0 = std::min(x0, edgesX_[j]);
    x1 = std::max(x1, edgesX_[j + 1]);
  }
  if (x0 >= x1) return;
  const bool yuv = canvas.pixelFormat() == PixelFormatYUV422;
  if (yuv) {
    // Whole pairs: an odd edge would convert its pixel without the partner's chroma.
    x0 &= ~1;
    x1 = std::min(W, x1 + (x1 & 1));
  }
  const int32_t n = x1 - x0;
  const kernels::KernelSet& k = *kernels_;
  std::fill(bandSums_.begin(), bandSums_.end(), 0);
  for (int32_t y0 = top; y0 < bottom; y0 += kRowsPerChunk) {
    int32_t y1 = std::min(bottom, y0 + kRowsPerChunk);
    std::fill(acc_.begin(), acc_.begin() + 4 * static_cast<size_t>(n), 0);
    const uint8_t* src = canvas.PixelAddress(frame, x0, y0);
    if (yuv)
      k.yuyvAccumulateRows(src, canvas.rowStride(), y1 - y0, acc_.data(), n);
    else
      k.rgb24AccumulateRows(src, canvas.rowStride(), y1 - y0, acc_.data(), n);
    for (int32_t j = 0; j < columns; ++j) {
      if (!watch[j] || edgesX_[j + 1] <= edgesX_[j]) continue;
      AddColumnSums(k, acc_.data(), edgesX_[j] - x0, edgesX_[j + 1] - x0, &bandSums_[4 * static_cast<size_t>(j)]);
    }
  }
  for (int32_t j = 0; j < columns; ++j) {
    if (!watch[j] || edgesX_[j + 1] <= edgesX_[j]) continue;
    uint64_t area = static_cast<uint64_t>(edgesX_[j + 1] - edgesX_[j]) * static_cast<uint64_t>(bottom - top);
    bandMeans_[j] = PackMeans(&bandSums_[4 * static_cast<size_t>(j)], area);
  }
}

int MotionDetector::DetectMotion(const uint8_t* frame, const FrameCanvas& canvas, const MaskGrid& grid,
                                 const DetectorParams& p) {
  frameCompared_ = false;
  viewEvent_ = ViewEvent::None;
  if (!samples_ || !grid.HasCells() || !frame) return 0;
  if (canvas.width() != sampleWidth_ || canvas.height() != sampleHeight_) return 0;
  if (!state_.Follow(grid)) return 0;
  const uint32_t m = FullMask(p.frameCounter);
  const int32_t W = sampleWidth_, H = sampleHeight_, columns = grid.columns(), rows = grid.rows();
  // Unknown formats convert nothing: the cells average the unchanged sample buffer.
  const bool fused = canvas.IsKnownFormat() && kernels_->level != kernels::KernelLevel::Reference;
  if (!fused) ConvertToSample(frame, canvas, *kernels_, samples_);
  ComputeEdges(columns, rows);
  if (fused) {
    bandSums_.resize(4 * static_cast<size_t>(columns));
    bandMeans_.resize(static_cast<size_t>(columns));
  }
  const uint8_t* watch = grid.watch();
  uint32_t* reference = state_.reference();
  const uint32_t channels = p.channels();
  const int64_t threshold = ChangeThreshold(p.sensitive);
  // First every cell's comparison: a light change is known only once all are made.
  changed_.assign(static_cast<size_t>(grid.cellCount()), kNotCompared);
  if (keepLevels_) levels_.assign(changed_.size(), kNotCompared);
  // With an intruder option a cell's bit is decided only once every mean is known: the scene
  // comparison fits the light of the whole picture.
  const bool intruder = p.intruderOptions();
  ChangeMemories& memories = state_.memories();
  if (intruder) {
    if (!memories.Prepare(changed_.size(), p.sceneFrames, p.busyMargin)) return 0;
    memories.SetKernelLevel(kernels_->level);
    frameLevels_.resize(changed_.size());
  } else if (memories.count() != 0) {
    memories.Free();  // switched off: switched on again, they start afresh
  }
  uint32_t compared = 0, changedCount = 0;
  for (int32_t i = 0; i < rows; ++i) {
    if (fused) BandMeans(frame, canvas, grid, i);
    for (int32_t j = 0; j < columns; ++j) {
      const size_t cell = static_cast<size_t>(i) * columns + j;
      if (!watch[cell]) continue;
      const CellRect r = {edgesX_[j], edgesY_[i], edgesX_[j + 1], edgesY_[i + 1]};
      if (Empty(r)) continue;  // a frame with fewer pixels than cells: nothing to average
      uint32_t oldWord = reference[cell];
      uint32_t newWord = fused ? bandMeans_[j] : AverageWith(*kernels_, samples_, W, H, r);
      reference[cell] = newWord;
      const int32_t level = CellLevel(oldWord, newWord, channels);
      const int changed = !intruder && LevelChanges(level, threshold) ? 1 : 0;
      changed_[cell] = static_cast<uint8_t>(changed);
      if (intruder) frameLevels_[cell] = level;
      // Capped below kNotCompared: the sweep's thresholds are at most 16.
      if (keepLevels_) levels_[cell] = static_cast<uint8_t>(std::min(std::max(level, 0), kNotCompared - 1));
      ++compared;
      changedCount += static_cast<uint32_t>(changed);
    }
  }
  compared_ = compared;
  frameCompared_ = true;
  sceneShown_ = keepLevels_ && memories.sceneOn();
  if (intruder) {
    bool enabled[4];
    for (int c = 0; c < 4; ++c) enabled[c] = (channels >> c & 1u) != 0;
    if (sceneShown_) shownLevels_.assign(changed_.size(), kNotCompared);
    changedCount = memories.Decide(frameLevels_.data(), reference, enabled, threshold, changed_.data(),
                                   sceneShown_ ? shownLevels_.data() : nullptr);
  }
  bool held = false;
  const int alarm = ApplyChanges(state_.records(), p, m, compared, changedCount, changed_.data(), &held);
  if (intruder) memories.AfterFrame(reference, changed_.data(), held);
  WatchView(p);
  return alarm;
}

// The view watch runs beside the motion rule on the same means; its verdict is not DetectMotion's.
void MotionDetector::WatchView(const DetectorParams& p) {
  viewEvent_ = ViewEvent::None;
  viewWatched_ = p.viewLostFrames > 0;
  ViewWatch& view = state_.view();
  if (!viewWatched_) {
    if (!view.view().empty()) view.Restart();  // switched on again, it remembers afresh
    return;
  }
  view.SetKernelLevel(kernels_->level);
  viewEvent_ = view.Frame(state_.reference(), changed_.data(), changed_.size(), p.viewLostFrames);
}

int ApplyChanges(CellRecords& records, const DetectorParams& p, uint32_t fullMask, uint32_t compared,
                 uint32_t changedCount, const uint8_t* changed, bool* heldOut) {
  uint32_t& hold = records.hold;
  if (p.lightChangePercent > 0 && compared > 0 &&
      static_cast<uint64_t>(changedCount) * 100 >= static_cast<uint64_t>(p.lightChangePercent) * compared)
    hold = p.lightChangeFrames > 0 ? p.lightChangeFrames : 1;
  const bool held = hold > 0;
  if (heldOut) *heldOut = held;
  const uint32_t mute = BusyFramesOf(p.muteBusyPercent), unmute = mute / 2;
  const int32_t slot = records.busySlot;
  const size_t word = static_cast<size_t>(slot >> 6);
  const uint64_t bit = uint64_t{1} << (slot & 63);
  uint32_t* history = records.history.get();
  uint64_t* busyBits = records.busyBits.get();
  uint8_t* busyCount = records.busyCount.get();
  uint8_t* muted = records.muted.get();
  uint32_t alarmed = 0;
  const size_t cells = records.count;
  for (size_t cell = 0; cell < cells; ++cell) {
    const uint8_t c = changed[cell];
    if (c == kNotCompared) continue;
    // The record: the bit of kBusyFrames frames ago leaves, this frame's enters.
    uint64_t& bits = busyBits[CellRecords::kBusyWords * cell + word];
    busyCount[cell] = static_cast<uint8_t>(busyCount[cell] - ((bits & bit) != 0) + c);
    bits = c ? bits | bit : bits & ~bit;
    if (mute == 0)
      muted[cell] = 0;
    else if (!muted[cell] && busyCount[cell] > mute)
      muted[cell] = 1;
    else if (muted[cell] && busyCount[cell] <= unmute)
      muted[cell] = 0;
    if (!held) history[cell] = ((history[cell] << 1) & fullMask) + (muted[cell] ? 0u : c);
    if (CountsInAlarm(muted[cell], history[cell], fullMask)) ++alarmed;
  }
  records.NextBusySlot();
  if (held) {
    --hold;
    return 0;
  }
  return alarmed >= std::max(p.minAlarmCells, 1u) ? 1 : 0;
}

}  // namespace qlv
