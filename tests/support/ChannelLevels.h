#pragma once

#include <cstdint>

#include "common/Signal.h"
#include "tape/ChannelAlignment.h"
#include "tape/WaveParserProto.h"

namespace varnetta::testing {

// The levels a tape-start search reads, summed here: the right channel's only
// when there are two or more channels.
inline ChannelLevels LevelsOf(SignalView left, SignalView right, std::int32_t channelCount) {
  return {CWaveParserProto::MeanLevel(left), channelCount > 1 ? CWaveParserProto::MeanLevel(right) : 0.0};
}

}  // namespace varnetta::testing
