#pragma once

#include <cstdint>

namespace varnetta {

class ProcessingContext;

// Decodes the channels of the context's workClip with every enabled analysis
// variant in their fixed order, saves each distinct tape file once, and sums
// the sweep up in the list log and the recording log. fileNumber counts the
// tape files (or pieces) of a recording from 1; firstSample and endSample
// place the piece in the recording and serve the list log only.
// False only when the stop request was seen.
bool RunSweep(ProcessingContext& context, std::int32_t fileNumber, bool wholeRecording, std::int32_t firstSample,
              std::int32_t endSample);

}  // namespace varnetta
