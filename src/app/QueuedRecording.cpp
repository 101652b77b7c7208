#include "app/QueuedRecording.h"

#include <cstdio>
#include <exception>
#include <new>

#include "app/ProcessingContext.h"
#include "app/RecordingDriver.h"
#include "settings/AppSettings.h"

namespace varnetta {

QueuedRecordingResult LoadAndProcess(ProcessingContext& context, const SharedSettings& settings,
                                     const std::string& path) {
  context.settings = settings.Snapshot();
  QueuedRecordingResult result;
  try {
    result.loaded = context.sourceClip.Load(path);
    if (result.loaded) result.continueQueue = ProcessRecording(context, path);
    return result;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "ERROR: not enough memory to process\n%s\n", path.c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ERROR: %s\n%s\n", error.what(), path.c_str());
  }
  // Whatever half-built state the failure left must not reach the next recording.
  context.sourceClip.Clear();
  context.workClip.Assign({});
  context.savedTally.clear();
  context.failureTally.clear();
  std::fflush(stderr);
  return result;
}

}  // namespace varnetta
