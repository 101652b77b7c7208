#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "app/Reporter.h"
#include "audio/AudioClip.h"
#include "common/Progress.h"
#include "common/Signal.h"
#include "recognition/Tally.h"
#include "recognition/WorkClip.h"
#include "settings/AppSettings.h"
#include "tape/WaveParserAmp.h"
#include "tape/WaveParserFront.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

// What the window shows at its periodic refresh, copied as a whole.
struct StageSnapshot {
  std::string stageText;
  std::int32_t progressLow = 0;
  std::int32_t progressHigh = 0;
  std::int32_t progressPos = 0;
  std::int32_t tapeFileNumber = 0;

  bool operator==(const StageSnapshot&) const = default;
};

// The state that the processing of one recording shares, and the operations
// through which it reports to the front end. Used by the worker thread only,
// except for ReadStage (the window's refresh) and stopRequested (set by the
// window when it closes).
class ProcessingContext final : public ProgressSink, public WorkLogSink {
 public:
  explicit ProcessingContext(Reporter& reporter) : reporter_(reporter) {
    ampParser.SetOwner(this);
    frontParser.SetOwner(this);
  }
  ProcessingContext(const ProcessingContext&) = delete;
  ProcessingContext& operator=(const ProcessingContext&) = delete;

  // The worker's snapshot of the options, taken per recording; everything in
  // the processing reads its options from here.
  AppSettings settings;

  // The recording under work.
  std::filesystem::path recordingPath;
  std::filesystem::path recordingDir;

  // The loaded recording, and the channels the sweep analyses.
  AudioClip sourceClip;
  WorkClip workClip;

  // The two parsers; both report to this context and read its settings.
  CWaveParserAmp ampParser{settings};
  CWaveParserFront frontParser{settings};

  // The convolution template of the conditioning.
  Signal kernel;

  // The current sweep's written files and failures.
  Tally savedTally;
  Tally failureTally;
  // How many .bin files have been written since the context was made.
  std::int32_t writtenFileCount = 0;

  std::atomic<bool> stopRequested{false};
  bool StopRequested() const { return stopRequested.load(); }

  void SetStage(std::string_view text) override;
  void ResetProgress(std::int32_t count) override;
  void SetProgressPosition(std::int32_t position) override;
  void SetTapeFileNumber(std::int32_t number);
  StageSnapshot ReadStage() const;

  void ShowPath(std::string_view path);
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize);

  // To the log pane, and with StoreWorkLog to "!processing.log" beside the
  // recording. The message is stored as it is (no formatting here).
  void AppendWorkLog(std::string_view message) override;

 private:
  Reporter& reporter_;
  mutable std::mutex stageMutex_;
  StageSnapshot stage_;
};

}  // namespace varnetta
