#pragma once

#include <cstdint>
#include <vector>

#include "common/StopRequest.h"
#include "rescue/StretchSource.h"

namespace varnetta {

// A stretch in which one channel holds a steady tone: a tuning sequence, or
// a run of bits that looks like one.
struct ToneRun {
  std::int32_t first = 0;
  std::int32_t end = 0;  // the sample after it
  double period = 0.0;   // samples per impulse
};

// Impulse periods deep recovery looks for, in samples.
inline constexpr double kMinTonePeriod = 4.0;
inline constexpr double kMaxTonePeriod = 48.0;
// Tone runs are judged and bounded in blocks of this many samples.
inline constexpr std::int32_t kToneBlock = 2048;

// The tone runs of one channel within [first, end), in order, judged block by
// block from the autocorrelation. Blocks whose middle is quieter than
// gateRms (RMS) are passed over unread. Stops early, with what it found,
// when a stop is requested.
std::vector<ToneRun> FindToneRuns(const StretchSource& source, std::int32_t channel, std::int32_t first,
                                  std::int32_t end, double gateRms, const StopRequest& stop);

// The runs of several channels as one list in order: runs that overlap are
// joined, their period taken from the longer.
std::vector<ToneRun> JoinToneRuns(std::vector<ToneRun> runs);

}  // namespace varnetta
