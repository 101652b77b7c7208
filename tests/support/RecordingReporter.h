#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Reporter.h"
#include "common/TextFormat.h"

namespace varnetta::testing {

// Keeps every call, in order, as one line of text ("range -50 0", "pos 7",
// "path /a/b.wav", "sizes 100 4", "pane <text>"), and the pane's text.
// StopOnPaneText makes it raise a stop flag when a pane text holds a given
// piece, the way a user closing the window mid-way would.
class RecordingReporter final : public Reporter {
 public:
  void ShowPath(std::string_view path) override { calls.push_back("path " + std::string(path)); }
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) override {
    calls.push_back(FormatText("sizes %d %d", samples, templateSize));
  }
  void SetProgressRange(std::int32_t low, std::int32_t high) override {
    calls.push_back(FormatText("range %d %d", low, high));
  }
  void SetProgressPosition(std::int32_t position) override {
    calls.push_back(FormatText("pos %d", position));
    positions.push_back(position);
  }
  void AppendToLogPane(std::string_view text) override {
    calls.push_back("pane " + std::string(text));
    pane += text;
    if (stopFlag_ != nullptr && text.find(stopTrigger_) != std::string_view::npos) *stopFlag_ = true;
  }

  void StopOnPaneText(std::atomic<bool>& flag, std::string trigger) {
    stopFlag_ = &flag;
    stopTrigger_ = std::move(trigger);
  }

  std::vector<std::string> calls;
  std::vector<std::int32_t> positions;
  std::string pane;

 private:
  std::atomic<bool>* stopFlag_ = nullptr;
  std::string stopTrigger_;
};

}  // namespace varnetta::testing
