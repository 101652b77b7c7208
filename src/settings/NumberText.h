#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varnetta {

// Locale-free readings of a leading decimal integer. Both skip leading white
// space and take an optional sign; the digits end at the first other
// character. Values beyond the 32-bit range saturate.

// The stored TuneScatter rule: a text without leading digits gives 0.
std::int32_t ParseLeadingInt(std::string_view text);

// The dialog rule: nothing when no integer can be read at all.
std::optional<std::int32_t> ScanLeadingInt(std::string_view text);

}  // namespace varnetta
