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
    result.loaded = context.sourceClip.Load(path, &context.stopRequested);
    if (result.loaded) result.processed = ProcessRecording(context, path);
  } catch (...) {
    ReportSkippedRecording(path);
    result.loaded = false;
  }
  // A recording's channels run to hundreds of megabytes: none is kept idle.
  context.sourceClip.Clear();
  context.workClip.Clear();
  return result;
}

}  // namespace varnetta
