#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace varnetta {

// One channel of a recording as double-precision samples.
using Signal = std::vector<double>;

// Read-only view of a channel, or of a piece of one, as the decoder sees it.
using SignalView = std::span<const double>;

// Sample positions, impulse lengths and counts are 32-bit signed throughout,
// so a channel holds at most this many samples.
inline constexpr std::int64_t kMaxSignalLength = std::numeric_limits<std::int32_t>::max();

}  // namespace varnetta
