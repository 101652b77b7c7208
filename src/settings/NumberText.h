#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnetta {

// The white space the readers below skip before a number.
bool IsBlank(char c);

// Locale-free readings of a leading decimal integer. Both skip leading white
// space and take an optional sign; the digits end at the first other
// character. Values beyond the 32-bit range saturate.

// The stored TuneScatter rule: a text without leading digits gives 0.
std::int32_t ParseLeadingInt(std::string_view text);

// The dialog rule: nothing when no integer can be read at all.
std::optional<std::int32_t> ScanLeadingInt(std::string_view text);

// A decimal number read from the start of a text, independent of the process
// locale: leading white space and a sign are skipped, '.' and ',' both act as
// the decimal separator, an exponent is accepted, and the reading stops at
// the first character that does not fit.
struct DecimalReading {
  double value = 0.0;      // 0.0 when nothing was read
  std::size_t length = 0;  // characters read, skipped blanks and sign included
};
// A text that does not begin with a number, or whose magnitude no double
// holds, reads as nothing.
DecimalReading ReadLeadingDecimal(std::string_view text);

// The shortest text that reads back as the value, with the given decimal
// separator and independent of the process locale: 0.01 as "0,01" for ','.
std::string FormatDecimal(double value, char separator);

}  // namespace varnetta
