#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "recognition/SweepReport.h"

namespace varnetta {

// The log files that lie in the directory of the recording under work.
inline constexpr std::string_view kWorkLogFileName = "!processing.log";
inline constexpr std::string_view kListLogFileName = "!list.log";

// One log file of a recording. A log that would be the recording itself is
// never written: refusal says why.
struct LogFile {
  std::filesystem::path path;
  std::string refusal;
};

// The list log, the work log and the recording log of a recording, beside it.
// The recording log takes the recording's file name with its extension
// replaced by ".log" (added when it has none): tape01.wav gives tape01.log.
// Where that would be the recording itself or one of the other two logs
// (names compared without regard to ASCII case, as some file systems compare
// them), it takes the whole file name with ".log" added: cut.log gives
// cut.log.log, !list.wav gives !list.wav.log.
struct RecordingLogs {
  LogFile list;
  LogFile work;
  LogFile recording;
};
RecordingLogs LogsBeside(const std::filesystem::path& recordingPath);

// Appends a UTF-8 text to a log file as EncodeLogText stores it, creating the
// file when nothing is there; the file is open only for this call and must be
// a regular file (AppendToRegularFile). An empty text leaves the file
// untouched (it is not even created). Nothing when the text was appended,
// otherwise why not.
std::optional<std::string> AppendToLogFile(const std::filesystem::path& file, std::string_view utf8Text);

// The same for a log of a recording. A log that cannot be used is skipped and
// reported; the processing goes on regardless, as a lost log line must not
// stop it.
void AppendToLog(const LogFile& log, std::string_view utf8Text, SweepReport& report);

}  // namespace varnetta
