#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "app/Reporter.h"
#include "audio/AudioClip.h"
#include "common/StopRequest.h"
#include "recognition/RecordingLocation.h"
#include "recognition/Sweep.h"
#include "recognition/SweepReport.h"
#include "recognition/Tolerances.h"
#include "recognition/WorkClip.h"
#include "settings/AppSettings.h"
#include "tape/WaveParserAmp.h"

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

// The state that the processing of the queued recordings shares, and the
// operations through which it reports to the front end. Used by the worker
// thread only, except for ReadStage (the window's refresh) and stopRequested
// (set by the window when it closes).
class ProcessingContext final : public SweepReport {
 public:
  explicit ProcessingContext(Reporter& reporter) : reporter_(reporter) {}
  ProcessingContext(const ProcessingContext&) = delete;
  ProcessingContext& operator=(const ProcessingContext&) = delete;

  // The worker's snapshot of the options, taken per recording; everything in
  // the processing reads its options from here.
  AppSettings settings;

  // The recording under work.
  RecordingLocation recording;

  // The loaded recording, and the channels the sweep analyses.
  AudioClip sourceClip;
  WorkClip workClip;

  // The parser of the channel alignment and the tuning measurement. Its
  // decoding state runs on from one search to the next, through the sweeps'
  // level passes, for as long as the context lives.
  CWaveParserAmp ampParser{TolerancesOf(settings)};

  StopRequest stopRequested;

  // What the sweep of the channels in workClip works with.
  SweepInputs ForSweep() { return {settings, workClip, recording, ampParser, *this, stopRequested}; }

  void SetStage(std::string_view text) override;
  void ResetProgress(std::int32_t count) override;
  void SetProgressPosition(std::int32_t position) override;
  void SetTapeFileNumber(std::int32_t number) override;
  StageSnapshot ReadStage() const;

  void ShowPath(std::string_view path);
  void ShowAnalysisSizes(std::int32_t samples, std::int32_t templateSize) override;

  // To the log pane, and with StoreWorkLog to "!processing.log" beside the
  // recording. The message is stored as it is (no formatting here).
  void AppendWorkLog(std::string_view message) override;
  // To the reporter, once for each log file.
  void ReportSkippedLog(const std::filesystem::path& log, std::string_view reason) override;

 private:
  Reporter& reporter_;
  std::set<std::filesystem::path> skippedLogs_;
  mutable std::mutex stageMutex_;
  StageSnapshot stage_;
};

}  // namespace varnetta
