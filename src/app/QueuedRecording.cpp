#include "app/QueuedRecording.h"

#include "app/ProcessingContext.h"
#include "app/RecordingDriver.h"
#include "app/SkippedRecording.h"
#include "settings/AppSettings.h"

namespace varnetta {

QueuedRecordingResult LoadAndProcess(ProcessingContext& context, const SharedSettings& settings,
                                     const std::string& path) {
  QueuedRecordingResult result;
  try {
    context.settings = settings.Snapshot();
    result.loaded = context.sourceClip.Load(path);
    if (result.loaded) result.continueQueue = ProcessRecording(context, path);
  } catch (...) {
    ReportSkippedRecording(path);
    // Whatever half-built state the failure left must not reach the next recording.
    result.loaded = false;
    context.savedTally.clear();
    context.failureTally.clear();
  }
  // A recording's channels run to hundreds of megabytes: none is kept idle.
  context.sourceClip.Clear();
  context.workClip.Clear();
  return result;
}

}  // namespace varnetta
