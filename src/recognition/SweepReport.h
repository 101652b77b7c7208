#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "common/Progress.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

// Where a sweep reports: the stage and the progress of its long steps, the
// work log, the sizes of the analysis, the number of the tape file under work,
// and each log file it had to skip.
class SweepReport : public ProgressSink, public WorkLogSink {
 public:
  virtual void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) = 0;
  virtual void SetTapeFileNumber(std::int32_t number) = 0;
  // A log file that could not be used, and why (English).
  virtual void ReportSkippedLog(const std::filesystem::path& log, std::string_view reason) = 0;
};

}  // namespace varnetta
