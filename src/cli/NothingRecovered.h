#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "recognition/Sweep.h"

namespace varnetta {

// The line that tells, on standard error, that a recording which loaded gave
// no tape file: its path, why in English (no tuning sequence, or how far the
// pass that got furthest got), then what the list log says of it, in quotes.
std::string NothingRecoveredLine(std::string_view recordingPath, const std::optional<FurthestPass>& furthest);

}  // namespace varnetta
