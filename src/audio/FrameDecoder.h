#pragma once

#include <cstdint>
#include <vector>

#include "audio/FileBuffer.h"
#include "audio/SampleFormat.h"
#include "common/Signal.h"
#include "common/StopRequest.h"

namespace varnetta {

// Where a decoder's interleaved samples lie in the file buffer.
struct FrameLayout {
  std::int64_t start = 0;         // position of the first sample
  std::int64_t frameCount = 0;   // frames the header claims; none when 0 or negative
  std::int64_t frameStride = 0;  // bytes from one frame to the next
  int channelCount = 0;
};

// Replaces channels with channelCount channels and appends each frame's
// samples to them in file order. Each channel is reserved for the samples the
// buffer actually holds, so a header claiming more costs no memory. Refuses
// with the samples-past-end message at the first sample that lies outside the
// buffer, keeping what was appended before it. Gives false without a message
// when a stop is requested (tested once per block of frames).
bool DecodeFrames(FileBytes buffer, const FrameLayout& layout, SampleEncoding encoding, ByteOrder order,
                  std::vector<Signal>& channels, const StopRequest* stop);

}  // namespace varnetta
