#pragma once

#include <filesystem>

namespace varnetta {

class ProcessingContext;

// Decodes the recording loaded into the context's sourceClip: as one tape
// file, or with MultiFile cut at every tuning sequence into pieces decoded one
// by one. A stereo recording (or piece) is first mixed into a third channel.
// False when the stop request was seen, and in MultiFile mode when the
// recording holds no tuning sequence at all.
bool ProcessRecording(ProcessingContext& context, const std::filesystem::path& path);

}  // namespace varnetta
