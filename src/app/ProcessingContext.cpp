#include "app/ProcessingContext.h"

#include <algorithm>

#include "recognition/LogFiles.h"

namespace varnetta {

// The reporter is never called with stageMutex_ held: a front end may wait for
// its window thread, which may be reading the stage at that moment.

void ProcessingContext::SetStage(std::string_view text) {
  std::lock_guard lock(stageMutex_);
  stage_.stageText.assign(text);
}

void ProcessingContext::ResetProgress(std::int32_t count) {
  const std::int32_t low = std::min<std::int32_t>(0, count);
  const std::int32_t high = std::max<std::int32_t>(0, count);
  reporter_.SetProgressRange(low, high);
  {
    std::lock_guard lock(stageMutex_);
    stage_.progressLow = low;
    stage_.progressHigh = high;
    stage_.progressPos = low;
  }
  reporter_.SetProgressPosition(low);
}

void ProcessingContext::SetProgressPosition(std::int32_t position) {
  {
    std::lock_guard lock(stageMutex_);
    stage_.progressPos = position;
  }
  reporter_.SetProgressPosition(position);
}

void ProcessingContext::SetTapeFileNumber(std::int32_t number) {
  std::lock_guard lock(stageMutex_);
  stage_.tapeFileNumber = number;
}

StageSnapshot ProcessingContext::ReadStage() const {
  std::lock_guard lock(stageMutex_);
  return stage_;
}

void ProcessingContext::ShowPath(std::string_view path) { reporter_.ShowPath(path); }

void ProcessingContext::ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) {
  reporter_.ShowAnalysisSizes(samples, templateSize);
}

void ProcessingContext::AppendWorkLog(std::string_view message) {
  // Before the first recording there is no directory to store the log in.
  if (settings.StoreWorkLog != 0 && !recording.dir.empty()) AppendToLog(recording.logs.work, message, *this);
  reporter_.AppendToLogPane(message);
}

void ProcessingContext::ReportSkippedLog(const std::filesystem::path& log, std::string_view reason) {
  // A log is appended to many times; telling the front end once is enough.
  if (skippedLogs_.insert(log).second) reporter_.ReportSkippedLog(log.string(), reason);
}

}  // namespace varnetta
