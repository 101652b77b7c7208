#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "app/Reporter.h"

namespace varnetta {

// The command line's face of the processing: the work log goes to standard
// output as UTF-8 with plain line feeds, until writing there fails (a closed
// pipe), after which it is dropped; a one-line progress display goes to
// standard error, only when that is a terminal, and is wiped before any other
// text so the two never mix on one line. A skipped log file is named on
// standard error.
class TerminalReporter : public Reporter {
 public:
  TerminalReporter(std::FILE* log, std::FILE* progress, bool showProgress);

  void ShowPath(std::string_view path) override;
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) override;
  void SetProgressRange(std::int32_t low, std::int32_t high) override;
  void SetProgressPosition(std::int32_t position) override;
  void AppendToLogPane(std::string_view text) override;
  void ReportSkippedLog(std::string_view log, std::string_view reason) override;

  // Redraws the progress line from what the stage and counters read now.
  void ShowProgress(std::string_view stage, std::int32_t low, std::int32_t high, std::int32_t position);
  // Wipes the progress line, e.g. before the program ends.
  void ClearProgress();

 private:
  void ClearProgressLocked();

  std::FILE* log_;
  std::FILE* progress_;
  bool showProgress_;
  bool progressShown_ = false;
  bool logFailed_ = false;
  std::mutex mutex_;
};

}  // namespace varnetta
