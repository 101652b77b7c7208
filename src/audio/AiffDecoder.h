#pragma once

#include <cstdint>
#include <span>

#include "audio/AudioClip.h"
#include "audio/FileBuffer.h"

namespace varnetta {

// Decodes an uncompressed FORM/AIFF or FORM/AIFC file with one or two
// channels of 8, 16, 24 or 32-bit samples (32-bit AIFC samples are floats).
bool DecodeAiff(FileBytes buffer, AudioClip& clip, const StopRequest* stop);

// The sample rate in an 80-bit extended float, truncated to an integer; 0 for
// rates below 1 Hz, of 2^63 or more, infinite or not a number.
std::uint32_t ConvertAiffSampleRate(std::span<const std::uint8_t, 10> field);

}  // namespace varnetta
