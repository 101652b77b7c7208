#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tape/WorkLogSink.h"

namespace varnetta::testing {

// Keeps every work-log message, in order.
class RecordingWorkLog : public WorkLogSink {
 public:
  void AppendWorkLog(std::string_view message) override { messages.emplace_back(message); }

  std::vector<std::string> messages;
};

}  // namespace varnetta::testing
