#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/StopRequest.h"
#include "recognition/LogLines.h"
#include "recognition/RecordingLocation.h"
#include "recognition/SweepReport.h"
#include "recognition/Tally.h"
#include "recognition/WorkClip.h"
#include "settings/AppSettings.h"
#include "tape/RecognitionStage.h"
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

// How far the pass that got furthest got.
struct FurthestPass {
  RecognitionStage stage = RecognitionStage::Tuning;
  bool checksumMatches = false;  // of a complete recognition
  std::string label;             // the analysis variant
  std::int32_t position = 0;     // the sample it stopped at, counted in the swept channels
};

// Whether a pass that got to `a` got further than one that got to `b`.
bool GotFurther(const FurthestPass& a, const FurthestPass& b);

struct SweepResult {
  bool stopped = false;  // the stop request was seen, and no summary written
  SweepTallies tallies;
  std::optional<FurthestPass> furthest;  // none when no pass ran
  // Where the last of the files read with a matching checksum ended, counted
  // in the swept channels; none when no pass read one.
  std::optional<std::int32_t> goodFileEnd;
};

// Decodes the channels with every enabled analysis variant in their fixed
// order, saves each distinct tape file once beside the recording, and sums
// the sweep up in the list log and the recording log. The piece tells the
// list log which part of the recording the channels are.
SweepResult RunSweep(const SweepInputs& inputs, const SweepPiece& piece);

}  // namespace varnetta
