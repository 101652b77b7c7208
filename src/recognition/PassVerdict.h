#pragma once

#include <cstdint>
#include <vector>

#include "tape/TapeFile.h"

namespace varnetta {

class ProcessingContext;

// What one recognition pass leads to, once the parser's Recognize has filled
// record and returned recognised: the checksum is verified over the pass's
// data, and by IgnoreCRC and IgnoreErrors the pass is saved (SaveTapeFile,
// with "_BadCRC" or "_BADRecognize" when saved in spite of a fault) and/or
// counted as a failure (NoteFailure). The verdict is set as the stage and
// written to the work log, followed by the message of the save.
// parserData belongs to this pass only when the record shows that the pass
// reached the data stage (dataStart set) with a non-zero length; bytes an
// earlier pass left there are never written.
void ActOnRecognition(ProcessingContext& ctx, bool recognised, const TapeFile& record,
                      const std::vector<std::uint8_t>& parserData);

}  // namespace varnetta
