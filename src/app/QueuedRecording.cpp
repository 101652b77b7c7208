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
    return result;
  } catch (...) {
    ReportSkippedRecording(path);
  }
  // Whatever half-built state the failure left must not reach the next recording.
  result.loaded = false;
  context.sourceClip.Clear();
  context.workClip.Assign({});
  context.savedTally.clear();
  context.failureTally.clear();
  return result;
}

}  // namespace varnetta
