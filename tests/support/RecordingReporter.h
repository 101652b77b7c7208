#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Reporter.h"
#include "common/StopRequest.h"
#include "common/TextFormat.h"

namespace varnetta::testing {

// Keeps every call, in order, as one line of text ("range -50 0", "pos 7",
// "path /a/b.wav", "sizes 100 4", "pane <text>", "skipped <log>: <reason>"),
// and the pane's text.
// Not synchronised: read what it kept only once the caller's thread is done.
// StopOnPaneText makes it request a stop when a pane text holds a given
// piece, the way a user closing the window mid-way would.
class RecordingReporter final : public Reporter {
 public:
  void ShowPath(std::string_view path) override { Record("path " + std::string(path)); }
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) override {
    Record(FormatText("sizes %d %d", samples, templateSize));
  }
  void SetProgressRange(std::int32_t low, std::int32_t high) override { Record(FormatText("range %d %d", low, high)); }
  void SetProgressPosition(std::int32_t position) override {
    positions.push_back(position);
    Record(FormatText("pos %d", position));
  }
  void AppendToLogPane(std::string_view text) override {
    pane += text;
    Record("pane " + std::string(text));
  }
  void ReportSkippedLog(std::string_view log, std::string_view reason) override {
    Record("skipped " + std::string(log) + ": " + std::string(reason));
  }

  // Called with each call's line once it is kept, on the caller's thread.
  std::function<void(const std::string& call)> onCall;

  void StopOnPaneText(StopRequest& stop, std::string trigger) {
    onCall = [&stop, trigger = std::move(trigger)](const std::string& call) {
      if (call.starts_with("pane ") && call.find(trigger) != std::string::npos) stop.Request();
    };
  }

  std::vector<std::string> calls;
  std::vector<std::int32_t> positions;
  std::string pane;

 private:
  void Record(std::string call) {
    calls.push_back(std::move(call));
    if (onCall) onCall(calls.back());
  }
};

}  // namespace varnetta::testing
