#include "cli/DecodeCommand.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ProcessingContext.h"
#include "app/QueuedRecording.h"
#include "app/Worker.h"
#include "cli/NothingRecovered.h"
#include "cli/SettingOptions.h"
#include "cli/TerminalReporter.h"
#include "cli/Usage.h"
#include "common/OutputFiles.h"
#include "common/TextFormat.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace varnetta {

namespace {

constexpr int kExitInterrupted = 130;

sigset_t InterruptSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  // Closing the terminal stops the work as Ctrl-C does.
  sigaddset(&signals, SIGHUP);
  return signals;
}

// Blocks the interrupt signals in this thread and in every thread it starts
// from now on (the worker and its helpers), so that none of the worker's
// writes is ever cut short by one: they are taken by WaitForInterrupt.
void BlockInterrupts() {
  const sigset_t signals = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

// True when an interrupt signal arrived within the period.
bool WaitForInterrupt(std::chrono::milliseconds period) {
  const sigset_t signals = InterruptSignals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(period);
  const timespec timeout{static_cast<time_t>(seconds.count()),
                         static_cast<long>(std::chrono::nanoseconds(period - seconds).count())};
  return sigtimedwait(&signals, nullptr, &timeout) > 0;
}

struct DecodeRequest {
  AppSettings overrides;
  bool saveSettings = false;
  std::vector<std::string> recordings;
};

// What one queued recording gave.
struct Outcome {
  std::string path;
  QueuedRecordingResult result;
};

std::optional<DecodeRequest> ParseArguments(int argc, char** argv, const AppSettings& loaded) {
  DecodeRequest request;
  request.overrides = loaded;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      request.recordings.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--save-settings") {
      request.saveSettings = true;
      continue;
    }
    OptionWithValue option = SplitOption(argument);
    std::optional<std::string> error;
    if (option.name == "--set" || SettingOptionTakesValue(option.name)) {
      if (!option.value && !TakeNextValue(argc, argv, i, option)) {
        ReportUsageError(FormatText("option %s needs a value", std::string(option.name).c_str()));
        return std::nullopt;
      }
      if (option.name == "--set") {
        const std::string_view assignment = *option.value;
        const std::size_t equals = assignment.find('=');
        error = equals == std::string_view::npos
                    ? std::optional<std::string>("--set needs Name=Value")
                    : ApplySetting(request.overrides, assignment.substr(0, equals), assignment.substr(equals + 1));
      } else {
        error = ApplySettingOption(request.overrides, option.name, *option.value);
      }
    } else if (IsSettingOption(option.name) && !option.value) {
      error = ApplySettingOption(request.overrides, option.name, {});
    } else {
      error = FormatText("unknown option '%s'", std::string(argument).c_str());
    }
    if (error) {
      ReportUsageError(*error);
      return std::nullopt;
    }
  }
  if (request.recordings.empty()) {
    ReportUsageError("no recording given");
    return std::nullopt;
  }
  return request;
}

// Stored values are used as they are, but one outside its range is worth a
// word: a decode that fails because of it says nothing about why.
void ReportValuesOutOfRange(const AppSettings& loaded, const std::filesystem::path& file) {
  for (const ValueOutOfRange& value : ValuesOutOfRange(loaded)) {
    std::fprintf(stderr, "varnetta-cli: %s=%s in %s is outside its range, %s\n", value.row->name,
                 value.storedText.c_str(), file.c_str(), FormatRange(value.row->range, "%s to %s", '.').c_str());
  }
}

// False, with a word on standard error, when the settings cannot be saved.
bool SaveSettings(SettingsStore& store, const AppSettings& settings) {
  if (store.SaveSettings(settings)) return true;
  if (store.FilePath().empty()) {
    std::fprintf(stderr,
                 "varnetta-cli: cannot save the settings: no settings folder is known "
                 "(neither XDG_CONFIG_HOME nor HOME is set to an absolute path)\n");
  } else {
    std::fprintf(stderr, "varnetta-cli: cannot save the settings to %s\n", store.FilePath().c_str());
  }
  return false;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// Waits until every queued recording is done, redrawing the progress line
// meanwhile; false when the user interrupts first.
bool WaitForRecordings(ProcessingContext& context, TerminalReporter& reporter, const std::atomic<std::size_t>& done,
                       std::size_t total) {
  bool interrupted = false;
  while (done < total && !interrupted) {
    const StageSnapshot stage = context.ReadStage();
    reporter.ShowProgress(stage.stageText, stage.progressLow, stage.progressHigh, stage.progressPos);
    interrupted = WaitForInterrupt(std::chrono::milliseconds(AppSettings::RefreshPeriodMs));
  }
  reporter.ClearProgress();
  return !interrupted;
}

}  // namespace

int RunDecodeCommand(int argc, char** argv) {
  SettingsStore store(DefaultConfigHome());
  store.BuildRegistryKeyPath();
  AppSettings loaded;
  store.LoadSettings(loaded);
  ReportValuesOutOfRange(loaded, store.FilePath());
  std::optional<DecodeRequest> request = ParseArguments(argc, argv, loaded);
  if (!request) return kExitUsage;
  // The recordings are decoded even when the settings cannot be saved.
  const bool saved = !request->saveSettings || SaveSettings(store, request->overrides);

  SharedSettings settings;
  settings.Store(request->overrides);
  TerminalReporter reporter(stdout, stderr, isatty(STDERR_FILENO) != 0);
  ProcessingContext context(reporter);

  const std::size_t total = request->recordings.size();
  std::vector<Outcome> outcomes(total);
  std::atomic<std::size_t> done{0};
  Worker worker(context, [&](const std::string& path) {
    Outcome& outcome = outcomes[done];
    outcome.path = path;
    outcome.result = LoadAndProcess(context, settings, path);
    ++done;
    return outcome.result.processed.continueQueue;
  });

  BlockInterrupts();
  worker.Start();
  // Queued as absolute paths, so the logs name each recording in full.
  for (const std::string& recording : request->recordings) worker.Push(AbsolutePath(recording));
  const bool finished = WaitForRecordings(context, reporter, done, total);
  // A second interrupt while the work winds down ends the program at once,
  // leaving no staged file behind.
  worker.StopWorker([] {
    if (!WaitForInterrupt(std::chrono::milliseconds(10))) return;
    RemoveStagedFiles();
    std::_Exit(kExitInterrupted);
  });
  if (!finished) return kExitInterrupted;

  bool everyOneGaveFiles = true;
  for (const Outcome& outcome : outcomes) {
    const ProcessedRecording& processed = outcome.result.processed;
    if (outcome.result.loaded && processed.filesWritten == 0) {
      std::fprintf(stderr, "%s\n", NothingRecoveredLine(outcome.path, processed.furthest).c_str());
    }
    everyOneGaveFiles = everyOneGaveFiles && outcome.result.loaded && processed.filesWritten > 0;
  }
  return saved && everyOneGaveFiles ? 0 : 1;
}

}  // namespace varnetta
