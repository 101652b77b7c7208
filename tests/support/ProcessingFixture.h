#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/ProcessingContext.h"
#include "app/RecordingDriver.h"
#include "recognition/LogText.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace varnetta::testing {

// A processing context whose recording lies in a fresh directory: the
// channels are handed in directly, as the loader would leave them.
class ProcessingFixture : public ::testing::Test {
 protected:
  std::filesystem::path RecordingPath() const { return dir / "tape.wav"; }
  std::string RecordingText() const { return RecordingPath().string(); }

  // Whether the queue goes on after the recording.
  bool Process(std::vector<Signal> channels) { return ProcessChannels(std::move(channels)).continueQueue; }
  ProcessedRecording ProcessChannels(std::vector<Signal> channels) {
    context.sourceClip.channels = std::move(channels);
    return ProcessRecording(context, RecordingPath());
  }

  // The labels of the recognition passes, in the order they ran.
  std::vector<std::string> PassLabels() const { return PassLabelsIn(reporter.pane); }
  static std::vector<std::string> PassLabelsIn(const std::string& pane) {
    static constexpr std::string_view kHead = "---------------------------------------[";
    std::vector<std::string> labels;
    for (std::size_t at = pane.find(kHead); at != std::string::npos; at = pane.find(kHead, at + 1)) {
      const std::size_t begin = at + kHead.size();
      labels.push_back(pane.substr(begin, pane.find("]\r\n", begin) - begin));
    }
    return labels;
  }

  bool HasCall(std::string_view call) const {
    return std::find(reporter.calls.begin(), reporter.calls.end(), call) != reporter.calls.end();
  }

  std::string ListLog() const { return ReadFileBytes(dir / "!list.log"); }
  std::string RecordingLog() const { return ReadFileBytes(dir / "tape.log"); }
  // What the log files store for a UTF-8 text: Windows-1251 with CR LF.
  static std::string Stored(std::string_view utf8) { return EncodeLogText(utf8); }

  TempDir dir;
  RecordingReporter reporter;
  ProcessingContext context{reporter};
};

}  // namespace varnetta::testing
