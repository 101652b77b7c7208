#include "recognition/LogLines.h"

#include "common/TextFormat.h"
#include "common/Utf8.h"

namespace varnetta {

namespace {

// "<name>\t\t<address>\t<length>"
std::string NameAddressLength(const TallyEntry& entry) {
  return entry.name + FormatText("\t\t%o\t%o", unsigned{entry.address}, unsigned{entry.length});
}

}  // namespace

std::string ListLogTuningNotFound(std::string_view recordingPath) {
  return ReplaceControlCharacters(recordingPath) + ":\t" + std::string(kListLogTuningNotFound) + "\n";
}

std::string ListLogRecordingHead(std::string_view recordingPath) {
  return ReplaceControlCharacters(recordingPath) + ":\t";
}

std::string ListLogRecordingLine(std::string_view recordingPath) {
  return ReplaceControlCharacters(recordingPath) + "\n";
}

std::string ListLogSegmentHead(std::int32_t fileNumber, std::int32_t firstSample, std::int32_t endSample) {
  return FormatText("\t(%02d, %9d, %9d):\t", fileNumber, firstSample, endSample);
}

std::string ListLogNothingSaved(const Tally& failures) {
  std::string text = std::string(kListLogNothingSaved) + "\n";
  for (const TallyEntry& failure : failures) text += "\t\t" + NameAddressLength(failure) + "\n";
  return text;
}

std::string ListLogSavedFiles(const Tally& saved) {
  std::string text;
  for (const TallyEntry& file : saved) {
    if (!text.empty()) text += "\n\t\t";
    text += NameAddressLength(file);
  }
  return text + "\n";
}

std::string ListLogEndOfTape() { return "Конец кассеты.\n"; }

std::string ListLogEntry(std::string_view recordingPath, const SweepPiece& piece, const Tally& saved,
                         const Tally& failures) {
  std::string text;
  if (piece.wholeRecording) {
    text = ListLogRecordingHead(recordingPath);
  } else {
    if (piece.fileNumber == 1) text = ListLogRecordingLine(recordingPath);
    text += ListLogSegmentHead(piece.fileNumber, piece.firstSample, piece.endSample);
  }
  return text + (saved.empty() ? ListLogNothingSaved(failures) : ListLogSavedFiles(saved));
}

std::string RecordingLogSegmentPrefix(std::int32_t fileNumber) { return FormatText("(%02d): ", fileNumber); }

std::string RecordingLogCounts(const Tally& entries) {
  std::string text;
  for (const TallyEntry& entry : entries) text += entry.name + FormatText(" -- %d раз.\n", entry.count);
  return text;
}

std::string RecordingLogEntry(const SweepPiece& piece, const Tally& saved, const Tally& failures) {
  if (saved.size() == 1) return {};
  std::string text = piece.wholeRecording ? std::string() : RecordingLogSegmentPrefix(piece.fileNumber);
  if (saved.empty()) return text + std::string(kListLogNothingSaved) + "\n" + RecordingLogCounts(failures);
  return text + RecordingLogCounts(saved);
}

}  // namespace varnetta
