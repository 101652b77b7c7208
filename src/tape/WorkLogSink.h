#pragma once

#include <string_view>

namespace varnetta {

// Receiver of the work log: the recognition report, the verdicts of the
// passes, the mixing messages. Messages end in "\r\n" where a line ends;
// a message without it is a prompt that the next one completes.
class WorkLogSink {
 public:
  virtual ~WorkLogSink() = default;
  virtual void AppendWorkLog(std::string_view message) = 0;
};

}  // namespace varnetta
