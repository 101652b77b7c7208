#include "recognition/LogFiles.h"

#include <string>

#include "common/OutputFiles.h"
#include "recognition/LogText.h"
#include "settings/SettingsText.h"

namespace varnetta {

namespace {

constexpr std::string_view kIsTheRecording = "it is the recording itself";

LogFile FixedLog(const std::filesystem::path& dir, std::string_view name, const std::string& recordingName) {
  LogFile log{dir / name, {}};
  if (EqualsIgnoringCase(name, recordingName)) log.refusal = kIsTheRecording;
  return log;
}

bool Collides(const std::string& name, const std::string& recordingName) {
  return EqualsIgnoringCase(name, recordingName) || EqualsIgnoringCase(name, kListLogFileName) ||
         EqualsIgnoringCase(name, kWorkLogFileName);
}

}  // namespace

RecordingLogs LogsBeside(const std::filesystem::path& recordingPath) {
  const std::filesystem::path dir = recordingPath.parent_path();
  const std::string recordingName = recordingPath.filename().string();
  std::string name = recordingPath.filename().replace_extension(".log").string();
  if (Collides(name, recordingName)) name = recordingName + ".log";
  return {FixedLog(dir, kListLogFileName, recordingName), FixedLog(dir, kWorkLogFileName, recordingName),
          LogFile{dir / name, {}}};
}

std::optional<std::string> AppendToLogFile(const std::filesystem::path& file, std::string_view utf8Text) {
  if (utf8Text.empty()) return std::nullopt;
  return AppendToRegularFile(file, EncodeLogText(utf8Text));
}

void AppendToLog(const LogFile& log, std::string_view utf8Text, SweepReport& report) {
  if (utf8Text.empty()) return;
  if (!log.refusal.empty()) {
    report.ReportSkippedLog(log.path, log.refusal);
    return;
  }
  if (const std::optional<std::string> problem = AppendToLogFile(log.path, utf8Text)) {
    report.ReportSkippedLog(log.path, *problem);
  }
}

}  // namespace varnetta
