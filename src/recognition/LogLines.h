#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recognition/Tally.h"

namespace varnetta {

// The lines of the list log ("!list.log") and of the recording log, as UTF-8
// text with "\n" line ends; AppendToLogFile stores them. Addresses and lengths
// are printed in octal without leading zeros (an unread 0xFFFF as 177777).
// The control characters of a recording's path are written as '?', so that
// every entry keeps its lines.

// What the list log says of a recording or piece that gave no file.
inline constexpr std::string_view kListLogTuningNotFound = "Настроечная последовательность не найдена.";
inline constexpr std::string_view kListLogNothingSaved = "Не удалось.";

// The piece of a recording that one sweep analysed.
struct SweepPiece {
  std::int32_t fileNumber = 1;  // from 1
  bool wholeRecording = true;
  std::int32_t firstSample = 0;
  std::int32_t endSample = 0;  // the sample after the last one
};

// "<path>:\tНастроечная последовательность не найдена.\n"
std::string ListLogTuningNotFound(std::string_view recordingPath);
// "<path>:\t"; the result follows on the same line.
std::string ListLogRecordingHead(std::string_view recordingPath);
// "<path>\n", above the first segment of a tape cut into pieces.
std::string ListLogRecordingLine(std::string_view recordingPath);
// "\t(NN, first, end):\t" with the bounds in nine columns; the result follows.
std::string ListLogSegmentHead(std::int32_t fileNumber, std::int32_t firstSample, std::int32_t endSample);
// "Не удалось.\n", then "\t\t<label>\t\t<address>\t<length>\n" per failure.
std::string ListLogNothingSaved(const Tally& failures);
// "<name>\t\t<address>\t<length>" per file, joined by "\n\t\t", then "\n".
std::string ListLogSavedFiles(const Tally& saved);
// "Конец кассеты.\n"
std::string ListLogEndOfTape();

// The whole list-log entry of a sweep: its head, then the saved files or, when
// there are none, the failures.
std::string ListLogEntry(std::string_view recordingPath, const SweepPiece& piece, const Tally& saved,
                         const Tally& failures);

// "(NN): " in front of a segment's lines in the recording log.
std::string RecordingLogSegmentPrefix(std::int32_t fileNumber);
// "<name> -- <count> раз.\n" per entry.
std::string RecordingLogCounts(const Tally& entries);

// The recording-log entry of a sweep: with no saved file "Не удалось.\n" and
// the failure counts, with several the file counts, a segment's entry headed
// by its prefix; empty when exactly one file was saved.
std::string RecordingLogEntry(const SweepPiece& piece, const Tally& saved, const Tally& failures);

}  // namespace varnetta
