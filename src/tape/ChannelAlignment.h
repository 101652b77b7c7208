#pragma once

#include <cstdint>
#include <span>

#include "common/Progress.h"
#include "common/Signal.h"
#include "common/StopRequest.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

class CWaveParserAmp;

// What the search for a usable tuning sequence in one channel found.
struct ChannelCheck {
  enum class Outcome { Found, NoTuningSequence, NoDataMarker };
  Outcome outcome = Outcome::NoTuningSequence;
  std::int32_t start = 0;      // first sample of the tuning sequence
  std::int32_t length = 0;     // its length in samples
  std::int32_t markerPos = 0;  // the sample after it, where the marker search began
};

// Searches the channel from `from` for the first tuning sequence that is
// followed within 12 periods by a first marker whose bit is 1. A channel in
// which tuning sequences were found but none was followed by such a marker
// reports NoDataMarker. level is the channel's CWaveParserProto::MeanLevel.
ChannelCheck CheckChannel(CWaveParserAmp& parser, SignalView signal, std::int32_t from, double level);

// The levels of the two channels a tape-start search reads (MeanLevel; the
// right one unused for one channel), summed once for a whole recording.
struct ChannelLevels {
  double left = 0.0;
  double right = 0.0;
};

// The earliest usable tuning sequence at or after `from` in the left channel
// or, when there are two or more channels, the right one (the left one on a
// tie). start and length are written only on success.
bool FindTapeStart(CWaveParserAmp& parser, SignalView left, SignalView right, std::int32_t channelCount,
                   const ChannelLevels& levels, std::int32_t from, std::int32_t& start, std::int32_t& length);

// Writes into out (as long as left) the mix of the two channels, aligned on
// their first markers when both have one and they lie less than 10 periods
// apart, otherwise averaged unshifted. Reports in the work log and the stage
// text; a stop request ends the mixing part-way. True when the channels were
// aligned.
bool MixChannels(CWaveParserAmp& parser, SignalView left, SignalView right, const ChannelLevels& levels,
                 std::span<double> out, ProgressSink& progress, WorkLogSink& log, const StopRequest& stop);

}  // namespace varnetta
