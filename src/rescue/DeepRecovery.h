#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/StopRequest.h"
#include "recognition/RecordingLocation.h"
#include "recognition/SweepReport.h"
#include "recognition/Tally.h"
#include "rescue/StretchSource.h"
#include "settings/AppSettings.h"

namespace varnetta {

// A stretch of the recording that no good file of the sweep accounts for.
struct RecoveryStretch {
  std::int32_t first = 0;
  std::int32_t end = 0;  // the sample after it
  // Blocks quieter than this RMS are taken for a gap between tape files
  // (0: every block is read).
  double gateRms = 0.0;
};

// What deep recovery works with.
struct DeepRecoveryInputs {
  const AppSettings& settings;  // IgnoreCRC, UseLongBinFormat
  const StretchSource& source;  // the whole recording, positions counted in it
  const RecordingLocation& recording;
  SweepReport& report;
  const StopRequest& stop;
};

// A file deep recovery wrote.
struct RecoveredFile {
  TallyEntry entry;       // its name, address, length and checksum as read
  std::int32_t first = 0;  // its tuning, counted in the recording
  std::int32_t end = 0;    // the sample after its finish impulse
  bool good = false;       // its checksum matched; otherwise saved as "_BadCRC"
};

struct DeepRecoveryResult {
  std::vector<RecoveredFile> saved;
  bool stopped = false;
};

// Looks for tape files in the stretch with the slot decoder: at every steady
// tone, on the mix of aligned channels and on each channel, in either
// polarity. A reading is saved as good only when its structure is whole (the
// markers, sync runs and the finish impulse where the header's length puts
// it), its checksum matches and its bits were read with confidence; with
// IgnoreCRC, the best whole reading of a file whose checksum fails is saved
// with "_BadCRC", unless the sweep already saved a file under that checksum
// (sweepSaved). Reports each attempt to the work log and each saved file to
// the list log.
DeepRecoveryResult RecoverStretch(const DeepRecoveryInputs& inputs, const RecoveryStretch& stretch,
                                  const Tally& sweepSaved);

// The RMS of channel 0 over [first, end), for a gate relative to the tape's level.
double StretchRms(const StretchSource& source, std::int32_t first, std::int32_t end);

// The list-log line of a file deep recovery saved:
// "\t(ГВ, first, end):\t<name>\t\t<address>\t<length>\n".
std::string ListLogRecoveredFile(const RecoveredFile& file);

}  // namespace varnetta
