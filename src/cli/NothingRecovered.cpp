#include "cli/NothingRecovered.h"

#include "common/TextFormat.h"
#include "common/Utf8.h"
#include "recognition/LogLines.h"

namespace varnetta {

namespace {

// Where a recognition that stopped at the stage failed, and what would save
// what it read.
const char* StageFailure(const FurthestPass& pass) {
  using enum RecognitionStage;
  switch (pass.stage) {
    case Tuning: return "no tuning sequence";
    case FirstMarker: return "no first marker after the tuning sequence";
    case SecondSync: return "no sync sequence before the header";
    case SecondMarker: return "no marker before the header";
    case Header: return "the header could not be read";
    case ThirdSync: return "no sync sequence before the data";
    case ThirdMarker: return "no marker before the data";
    case DataLength: return "the header gives a length of 0";
    case Data: return "the data could not be read (--ignore-errors saves what was read)";
    case Checksum: return "the checksum could not be read (--ignore-errors saves what was read)";
    case Complete:
      return pass.checksumMatches ? "the file was read but could not be written"
                                  : "the file was read but its checksum does not match (--ignore-crc saves it)";
  }
  return "";
}

}  // namespace

std::string NothingRecoveredLine(std::string_view recordingPath, const std::optional<FurthestPass>& furthest) {
  const std::string path = ReplaceControlCharacters(recordingPath);
  if (!furthest || furthest->stage == RecognitionStage::Tuning) {
    const std::string_view listLog = furthest ? kListLogNothingSaved : kListLogTuningNotFound;
    return FormatText("varnetta-cli: nothing recovered from %s: no tuning sequence was found (\"%.*s\")",
                      path.c_str(), static_cast<int>(listLog.size()), listLog.data());
  }
  return FormatText("varnetta-cli: nothing recovered from %s: the furthest analysis, %s, stopped at sample %d: %s "
                    "(\"%.*s\")",
                    path.c_str(), furthest->label.c_str(), furthest->position, StageFailure(*furthest),
                    static_cast<int>(kListLogNothingSaved.size()), kListLogNothingSaved.data());
}

}  // namespace varnetta
