#pragma once

#include <cstdint>

#include "common/Progress.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

// Where a sweep reports: the stage and the progress of its long steps, the
// work log, the sizes of the analysis and the number of the tape file under
// work.
class SweepReport : public ProgressSink, public WorkLogSink {
 public:
  virtual void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) = 0;
  virtual void SetTapeFileNumber(std::int32_t number) = 0;
};

}  // namespace varnetta
