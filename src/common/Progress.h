#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "common/StopRequest.h"

namespace varnetta {

// A loop over n items updates the progress every max(1, n / kProgressSteps) items.
inline constexpr std::int32_t kProgressSteps = 500;

// Where long stages report what they are doing and how far they got.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetStage(std::string_view text) = 0;
  // New range min(0, count) .. max(0, count), position at its lower bound.
  virtual void ResetProgress(std::int32_t count) = 0;
  virtual void SetProgressPosition(std::int32_t position) = 0;
};

// The position updates of a stage over count items: after ResetProgress(count)
// the position is set at items step - 1, 2 * step - 1, ... with
// step = max(1, count / kProgressSteps), and to count when the stage ends.
//
// ForEachChunk hands the items out in runs between two updates, so that an
// inner loop never has to look at the countdown.
class ProgressCountdown {
 public:
  explicit ProgressCountdown(std::int32_t count)
      : count_(count), step_(std::max<std::int32_t>(1, count / kProgressSteps)) {}

  std::int32_t step() const { return step_; }

  // Calls process(begin, end) for consecutive runs covering 0 .. count - 1;
  // the position is set to the last item of each run that ends on a step,
  // before the run is processed (as a per-item countdown would), and to count
  // at the end. A stop requested between two runs ends it there: false then.
  template <typename Process>
  bool ForEachChunk(ProgressSink& sink, const StopRequest& stop, Process&& process) const {
    std::int32_t begin = 0;
    while (begin < count_) {
      if (stop.IsRequested()) return false;
      const std::int32_t end = begin + std::min(step_, count_ - begin);
      if (end - begin == step_) sink.SetProgressPosition(end - 1);
      process(begin, end);
      begin = end;
    }
    sink.SetProgressPosition(count_);
    return true;
  }

 private:
  std::int32_t count_;
  std::int32_t step_;
};

}  // namespace varnetta
