#pragma once

#include <string>
#include <string_view>

#include "tape/TapeFile.h"

namespace varnetta {

// The file name under which a tape file is written (before any uniqueness
// number): the converted tape name with white space removed at both ends,
// each of < > : | ? * and every control character replaced by '_', each '/'
// and '\' by '.', then the suffix and ".bin". The double quote stays.
std::string BinFileName(const TapeName& name, std::string_view suffix);

// The failure-tally label of a failed pass: "Нераспознано" when the header
// was never read, otherwise the converted tape name with white space removed
// at both ends.
std::string FailureLabel(const TapeFile& record);

}  // namespace varnetta
