#pragma once

#include <cstdint>
#include <string_view>

namespace varnetta {

// What a front end shows of the processing: the desktop window, the terminal,
// or a test that records every call. All calls come from the worker thread;
// an implementation that hands them to another thread may wait until that
// thread has handled them.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void ShowPath(std::string_view path) = 0;
  virtual void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) = 0;
  virtual void SetProgressRange(std::int32_t low, std::int32_t high) = 0;
  virtual void SetProgressPosition(std::int32_t position) = 0;
  // Adds the text at the end of the log pane; a pane with a size limit trims
  // its oldest lines first (LinesToDropForAppend).
  virtual void AppendToLogPane(std::string_view text) = 0;
  // A log file beside the recording that was skipped, and why (English);
  // called once for each log file.
  virtual void ReportSkippedLog(std::string_view log, std::string_view reason) = 0;
};

}  // namespace varnetta
