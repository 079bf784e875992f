// The commonest frame of the intruder options, judged four or eight cells at a time: luma alone, the
// scene memory on, the light of the frame unchanged (the identity fit), with or without the
// busy margin. The arrays are plain pointers and the header has no inline code, since the
// vector unit is built for SSE2 and must not give others its copy of anything shared.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlv {

struct LumaJudgeArrays {
  // The scene memory: four means × 256 in 16-bit lanes per cell, absorb counts, valid flags.
  uint64_t* scene;
  uint32_t* absorb;
  uint8_t* valid;
  // The frame: packed means (luma in byte 3), frame-to-frame levels (negative: none),
  // `changed` with kNotCompared (0xFF) for the cells not compared, written with each bit, and
  // `shown` (may be null) written with each compared cell's level capped at 254.
  const uint32_t* means;
  const int32_t* frameLevels;
  uint8_t* changed;
  uint8_t* shown;
  // The busy record, or a null `row` when the margin is off: `records` rows of `stride`
  // entries, this frame's row, each cell's highest level and base-bit count.
  const uint16_t* levels;
  size_t stride;
  int32_t records;
  uint16_t* row;
  uint16_t* top;
  uint8_t* baseCount;
  int32_t threshold;  // 16 − Sensitive
  int32_t margin;
  uint32_t absorbFrames;
};

// The highest level in one cell's busy record (the base bits left out): built for the baseline
// CPU, so the vector passes and the scalar record share it.
uint16_t RecordPeak(const uint16_t* levels, size_t stride, int32_t records, size_t cell);

// Judges cells [0, n − n % 4) exactly as the scalar loop in change_memories.cpp does, adds
// the cells changed to *count and returns the number judged; the caller judges the rest.
size_t JudgeLumaCells_SSE2(const LumaJudgeArrays& a, size_t n, uint32_t* count);
// The same, eight cells a step: cells [0, n − n % 8).
size_t JudgeLumaCells_AVX2(const LumaJudgeArrays& a, size_t n, uint32_t* count);

}  // namespace qlv
