#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "recognition/SweepReport.h"
#include "recognition/Tally.h"
#include "settings/AppSettings.h"
#include "tape/RecognitionStage.h"
#include "tape/TapeFile.h"

namespace varnetta {

// Where the verdict of a pass takes effect.
struct PassOutput {
  const AppSettings& settings;       // IgnoreCRC, IgnoreErrors, UseLongBinFormat
  const std::filesystem::path& dir;  // where .bin files are written
  SweepReport& report;               // the stage and the work log
  SweepTallies& tallies;
};

// What one recognition pass leads to, once Recognize has filled record and
// stopped at stage: the checksum is verified over the pass's data, and by
// IgnoreCRC and IgnoreErrors the pass is saved (SaveTapeFile, with "_BadCRC"
// or "_BADRecognize" when saved in spite of a fault) and/or counted as a
// failure (NoteFailure). The verdict is set as the stage and written to the
// work log, followed by the message of the save. data holds the bytes the
// pass read itself, and is null when it read none. True when the pass read
// the whole tape file and its checksum matched.
bool ActOnRecognition(const PassOutput& output, RecognitionStage stage, const TapeFile& record,
                      const std::vector<std::uint8_t>* data);

}  // namespace varnetta
