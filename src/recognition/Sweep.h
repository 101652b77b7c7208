#pragma once

#include "common/StopRequest.h"
#include "recognition/LogLines.h"
#include "recognition/RecordingLocation.h"
#include "recognition/SweepReport.h"
#include "recognition/Tally.h"
#include "recognition/WorkClip.h"
#include "settings/AppSettings.h"
#include "tape/WaveParserAmp.h"

namespace varnetta {

// What a sweep works with.
struct SweepInputs {
  const AppSettings& settings;  // in force for the recording
  WorkClip& channels;           // as handed over; the sweep adds the conditioned ones
  const RecordingLocation& recording;
  // Measures the tuning period. Its decoding state runs on from the channel
  // alignment before the sweep, and ends as the last level pass left its own.
  CWaveParserAmp& ampParser;
  SweepReport& report;
  const StopRequest& stop;
};

struct SweepResult {
  bool stopped = false;  // the stop request was seen, and no summary written
  SweepTallies tallies;
};

// Decodes the channels with every enabled analysis variant in their fixed
// order, saves each distinct tape file once beside the recording, and sums
// the sweep up in the list log and the recording log. The piece tells the
// list log which part of the recording the channels are.
SweepResult RunSweep(const SweepInputs& inputs, const SweepPiece& piece);

}  // namespace varnetta
