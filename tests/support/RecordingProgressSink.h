#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Progress.h"

namespace varnetta::test {

// Keeps every progress call as one line: "reset N", "stage TEXT", "pos N".
class RecordingProgressSink : public ProgressSink {
 public:
  void SetStage(std::string_view text) override { calls.push_back("stage " + std::string(text)); }
  void ResetProgress(std::int32_t count) override { calls.push_back("reset " + std::to_string(count)); }
  void SetProgressPosition(std::int32_t position) override { calls.push_back("pos " + std::to_string(position)); }

  std::vector<std::string> calls;
};

}  // namespace varnetta::test
