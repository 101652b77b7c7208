#pragma once

#include <span>
#include <string_view>

#include "common/Progress.h"
#include "common/Signal.h"
#include "common/StopRequest.h"

namespace varnetta {

// Causal direct-form convolution: for the n samples of source,
//   target[i] = sum over k = 0 .. min(i + 1, H) - 1 of kernel[k] * source[i - k],
// each sum formed in double in increasing k from 0.0 (samples before the
// start count as zero; an empty kernel gives zeros). Shows stageText and
// moves the progress over the n samples; a stop request ends it part-way,
// leaving the target partly written.
//
// A target shorter than the source, or one that overlaps it, is refused:
// nothing is written and nothing reported.
void ApplyKernel(std::span<const double> kernel, SignalView source, std::span<double> target,
                 std::string_view stageText, ProgressSink& progress, const StopRequest& stop);

// The same convolution with signal as both source and target: every output
// is formed from the original samples, as if they had been copied first.
void ApplyKernelInPlace(std::span<const double> kernel, std::span<double> signal, std::string_view stageText,
                        ProgressSink& progress, const StopRequest& stop);

}  // namespace varnetta
