// The detector's view of a frame: B, G, R, Y sample pixels, made by the sample kernels.
#pragma once

#include <cstdint>

namespace qlv {

class FrameCanvas;
namespace kernels {
struct KernelSet;
}  // namespace kernels

// The whole frame of `layout` to sample pixels with the kernels of `k`, sample row 0
// being the picture's bottom row. An unknown format converts nothing.
void ConvertToSample(const uint8_t* frame, const FrameCanvas& layout, const kernels::KernelSet& k, uint32_t* sample);

}  // namespace qlv
