#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "recognition/Sweep.h"

namespace varnetta {

class ProcessingContext;

// What the processing of one recording came to.
struct ProcessedRecording {
  // False when the stop request was seen, and in MultiFile mode when the
  // recording holds no tuning sequence at all.
  bool continueQueue = true;
  std::int32_t filesWritten = 0;
  // The pass that got furthest in any of its sweeps, its position counted in
  // the recording; none when no pass ran (no tuning sequence was found).
  std::optional<FurthestPass> furthest;
};

// Decodes the recording loaded into the context's sourceClip: as one tape
// file, or with MultiFile cut at every tuning sequence into pieces decoded one
// by one. A stereo recording (or piece) is first mixed into a third channel.
ProcessedRecording ProcessRecording(ProcessingContext& context, const std::filesystem::path& path);

}  // namespace varnetta
