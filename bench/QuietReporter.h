#pragma once

#include <cstdint>
#include <string_view>

#include "app/Reporter.h"

namespace varnetta {

// A front end that shows nothing: the benchmarks measure the decoding alone.
class QuietReporter final : public Reporter {
 public:
  void ShowPath(std::string_view) override {}
  void ShowAnalysisSizes(std::int32_t, std::int32_t) override {}
  void SetProgressRange(std::int32_t, std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void AppendToLogPane(std::string_view) override {}
  void ReportSkippedLog(std::string_view, std::string_view) override {}
};

}  // namespace varnetta
