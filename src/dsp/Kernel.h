#pragma once

#include <cstdint>
#include <vector>

#include "common/Progress.h"

namespace varnetta {

// Shapes of the convolution kernel. Tap k multiplies the sample k positions back.
enum class KernelKind {
  CentralDifference = 0,  // 1, 0, -1 whatever the length
  StepPair = 1,           // -1, 1 whatever the length
  SinePeriod = 2,         // sin(2 k pi / L), k = 0 .. L - 1
  HalfSine = 3,           // sin(k pi / L), k = 0 .. L - 1
};

// Refills kernel with the taps of the given kind. The progress range is reset
// to length and the position follows the taps of the sine shapes; a length of
// 0 or less gives an empty sine kernel. The taps are not normalised.
void BuildKernel(std::vector<double>& kernel, std::int32_t length, KernelKind kind, ProgressSink& progress);

}  // namespace varnetta
