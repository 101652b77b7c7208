#pragma once

#include <string>

#include "app/RecordingDriver.h"

namespace varnetta {

class ProcessingContext;
class SharedSettings;

// The worker's job for one queued path: takes the settings of this recording,
// loads it into the context's sourceClip and processes it. A path that does
// not load (a folder, no recording) is skipped with the reader's message on
// standard error; so is one whose loading or processing fails with an
// exception (too large for memory), which then counts as not loaded. Never
// throws.
struct QueuedRecordingResult {
  bool loaded = false;
  ProcessedRecording processed;  // of a recording that loaded
};
QueuedRecordingResult LoadAndProcess(ProcessingContext& context, const SharedSettings& settings,
                                     const std::string& path);

}  // namespace varnetta
