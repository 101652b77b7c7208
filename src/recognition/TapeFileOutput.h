#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "recognition/Tally.h"
#include "tape/TapeFile.h"

namespace varnetta {

// File-name suffixes of files saved in spite of a fault.
inline constexpr std::string_view kBadChecksumSuffix = "_BadCRC";
inline constexpr std::string_view kBadRecognitionSuffix = "_BADRecognize";

// Writes one decoded tape file into dir, once per tape checksum in a sweep.
// data is the pass's data bytes, or null when the pass has none. A checksum
// already in savedTally is a repeat: its count goes up and nothing is
// written. Otherwise the file is created under a name that nothing exists
// under yet (BinFileName + suffix, numbered by MakeUniquePath) in the long
// layout or the short one, and is added to savedTally.
// Returns true when the file was written or was a repeat; false when nothing
// was written: no data, no free name, or the file could not be created or
// written (then no part of it is left behind and no tally entry is added).
bool SaveTapeFile(Tally& savedTally, const std::filesystem::path& dir, bool longLayout, std::string_view suffix,
                  const TapeFile& record, const std::vector<std::uint8_t>* data);

// Counts a failed pass under its FailureLabel: the count of an entry with that
// label goes up, or a new entry is appended with the record's address, length
// and checksum.
void NoteFailure(Tally& failureTally, const TapeFile& record);

}  // namespace varnetta
