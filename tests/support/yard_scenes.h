// Made-up yard scenes at 25 frames a second for the detector's scenario tests: a textured
// still picture with sensor noise, and what happens in it (someone walking or creeping
// through, a change of light, dusk, a covered lens, a turned camera, leaves in the wind and a
// hand among them). Grey RGB24 frames, 320 x 240, cells of 16 x 16 pixels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pixel/frame_canvas.h"
#include "pixel/pixel_format.h"

namespace qlv {
namespace testutil {

struct YardEvents {
  // A figure 26 x 44 pixels, 40 levels lighter than what it stands on, crossing from the
  // left at `figureSpeed` sixteenths of a pixel a frame from `figureFrom` (0: nobody).
  int32_t figureFrom = 0, figureSpeed = 0;
  // The light: gain num/16 and an offset, reached linearly over [lightFrom, lightFrom + lightFrames).
  int32_t lightFrom = 0, lightFrames = 1, lightGain16 = 16, lightOffset = 0;
  // A hand over the lens from `coverFrom`, closing over 10 frames.
  int32_t coverFrom = 0;
  // The camera turned by 64 pixels from `turnFrom`, over 4 frames.
  int32_t turnFrom = 0;
  bool leaves = false;  // a tree over the right third whose blocks flicker
  // A hand 20 x 20, reaching into the tree at 3 pixels a frame from `handFrom` for 60 frames.
  int32_t handFrom = 0;
};

struct YardScenario {
  std::string name;
  int32_t frames;
  int32_t threatFrom;  // 0: nothing to catch; an alarm before this frame (or at all) is false
  int32_t threatTo;    // the threat is caught by an alarm in [threatFrom, threatTo)
  YardEvents events;
};

// The scenes every rule is measured on; the first 125 frames of each are the detector's to learn.
inline std::vector<YardScenario> YardScenarios() {
  std::vector<YardScenario> v;
  auto add = [&v](const char* name, int32_t frames, int32_t threat, YardEvents e, int32_t threatTo = 0) {
    v.push_back(YardScenario{name, frames, threat, threatTo ? threatTo : frames, e});
  };
  YardEvents e;
  add("quiet", 600, 0, e);
  e = YardEvents();
  e.figureFrom = 150, e.figureSpeed = 32;  // 2 pixels a frame
  add("walk", 400, 150, e);
  e.figureSpeed = 8;  // a quarter of the pace
  add("creep", 900, 150, e);
  e = YardEvents();
  e.lightFrom = 200, e.lightFrames = 3, e.lightOffset = 50;
  add("light change", 500, 0, e);
  e.figureFrom = 150, e.figureSpeed = 32;
  add("light change, walker", 500, 150, e);
  e = YardEvents();
  e.coverFrom = 200;
  add("covered lens", 500, 200, e);
  e = YardEvents();
  e.turnFrom = 200;
  add("turned camera", 500, 200, e);
  e = YardEvents();
  e.lightFrom = 150, e.lightFrames = 500, e.lightGain16 = 6;  // dusk: down to 40 % in 20 s
  add("dusk", 700, 0, e);
  e = YardEvents();
  e.lightGain16 = 6, e.lightFrom = 1;
  e.figureFrom = 150, e.figureSpeed = 32;
  add("night walk", 400, 150, e);
  e = YardEvents();
  e.leaves = true;
  add("leaves", 700, 0, e);
  e.handFrom = 400;
  add("leaves, hand", 700, 400, e, 400 + 60 + 25);
  return v;
}

class YardScene {
 public:
  static constexpr int32_t kWidth = 320, kHeight = 240;

  explicit YardScene(const YardEvents& e, uint32_t seed = 1) : e_(e), rng_(seed) {
    // Blocks of 8 x 8 of 60..199 over a slope: cells differ, so a light fit has a line to find.
    std::mt19937 tex(77);
    background_.resize(static_cast<size_t>(kWidth + 64) * kHeight);
    for (int32_t by = 0; by < kHeight / 8; ++by)
      for (int32_t bx = 0; bx < (kWidth + 64) / 8; ++bx) {
        const int32_t v = 60 + static_cast<int32_t>(tex() % 140);
        for (int32_t y = 0; y < 8; ++y)
          for (int32_t x = 0; x < 8; ++x)
            background_[static_cast<size_t>(by * 8 + y) * (kWidth + 64) + bx * 8 + x] = static_cast<uint8_t>(v);
      }
    leafJitter_.assign(static_cast<size_t>(kWidth / 8) * (kHeight / 8), 0);
    // Sensor noise of -2..2, drawn from a table at a new offset every frame: cheap enough for
    // thousands of frames under a sanitizer or an emulator.
    noise_.resize(static_cast<size_t>(kWidth) * kHeight + kNoiseSpread);
    for (int8_t& n : noise_) n = static_cast<int8_t>(static_cast<int32_t>(rng_() % 5) - 2);
  }

  // Frame f (from 0) into `frame`, grey RGB24 of `canvas` (320 x 240).
  void Render(int32_t f, uint8_t* frame, const FrameCanvas& canvas) {
    for (int32_t i = 0; i < static_cast<int32_t>(leafJitter_.size()); ++i)
      leafJitter_[static_cast<size_t>(i)] = static_cast<int8_t>(static_cast<int32_t>(rng_() % 25) - 12);
    const int32_t turn = e_.turnFrom && f >= e_.turnFrom ? std::min(64, 16 * (f - e_.turnFrom + 1)) : 0;
    const int32_t cover = e_.coverFrom && f >= e_.coverFrom ? std::min(16, (16 * (f - e_.coverFrom + 1)) / 10) : 0;
    int32_t gain16 = 16, offset = 0;
    if (e_.lightFrom && f >= e_.lightFrom) {
      const int32_t done = std::min(e_.lightFrames, f - e_.lightFrom + 1);
      gain16 = 16 + (e_.lightGain16 - 16) * done / e_.lightFrames;
      offset = e_.lightOffset * done / e_.lightFrames;
    }
    // The figure's left edge in sixteenths of a pixel.
    const int32_t figure16 = e_.figureFrom && f >= e_.figureFrom ? -30 * 16 + e_.figureSpeed * (f - e_.figureFrom) : -1000000;
    // The hand comes in from the right edge and stops 80 pixels in.
    const int32_t handX =
        e_.handFrom && f >= e_.handFrom && f < e_.handFrom + 60 ? std::max(kWidth - 80, kWidth - 3 * (f - e_.handFrom)) : -1;
    const int8_t* noise = &noise_[rng_() % kNoiseSpread];
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = canvas.PixelAddress(frame, 0, y);
      for (int32_t x = 0; x < kWidth; ++x) {
        int32_t v = background_[static_cast<size_t>(y) * (kWidth + 64) + x + turn];
        if (e_.leaves && x >= 2 * kWidth / 3 && y < kHeight / 2) v += leafJitter_[static_cast<size_t>(y / 8) * (kWidth / 8) + x / 8];
        // Coverage of this pixel column by the figure, in sixteenths.
        if (y >= 150 && y < 194) {
          const int32_t inside = std::max(0, std::min(x * 16 + 16, figure16 + 26 * 16) - std::max(x * 16, figure16));
          v += 40 * inside / 16;
        }
        if (handX >= 0 && x >= handX && x < handX + 20 && y >= 30 && y < 50) v = 220;
        v = v * gain16 / 16 + offset;
        v = (v * (16 - cover) + 25 * cover) / 16;
        v += noise[static_cast<size_t>(y) * kWidth + x];
        v = std::max(0, std::min(255, v));
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(v);
      }
    }
  }

 private:
  YardEvents e_;
  std::mt19937 rng_;
  std::vector<uint8_t> background_;
  std::vector<int8_t> leafJitter_;
  static constexpr size_t kNoiseSpread = 4099;
  std::vector<int8_t> noise_;
};

}  // namespace testutil
}  // namespace qlv
