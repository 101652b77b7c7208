#pragma once

#include <cstdint>
#include <filesystem>

namespace varnetta {

class ProcessingContext;

// What the processing of one recording came to.
struct ProcessedRecording {
  // False when the stop request was seen, and in MultiFile mode when the
  // recording holds no tuning sequence at all.
  bool continueQueue = true;
  std::int32_t filesWritten = 0;
};

// Decodes the recording loaded into the context's sourceClip: as one tape
// file, or with MultiFile cut at every tuning sequence into pieces decoded one
// by one. A stereo recording (or piece) is first mixed into a third channel.
ProcessedRecording ProcessRecording(ProcessingContext& context, const std::filesystem::path& path);

}  // namespace varnetta
