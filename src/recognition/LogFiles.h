#pragma once

#include <filesystem>
#include <string_view>

namespace varnetta {

// The log files that lie in the directory of the recording under work.
inline constexpr std::string_view kWorkLogFileName = "!processing.log";
inline constexpr std::string_view kListLogFileName = "!list.log";

// The recording log: in recordingDir, the recording's file name with its
// extension replaced by ".log" (added when it has none): tape01.wav gives
// tape01.log.
std::filesystem::path RecordingLogPath(const std::filesystem::path& recordingDir,
                                       const std::filesystem::path& recordingPath);

// Appends a UTF-8 text to a log file as EncodeLogText stores it, creating the
// file when it is missing; the file is open only for this call. Returns false
// when the file could not be opened or written; callers go on regardless, as
// a lost log line must not stop the processing. An empty text leaves the file
// untouched (it is not even created).
bool AppendToLogFile(const std::filesystem::path& file, std::string_view utf8Text);

}  // namespace varnetta
