#pragma once

#include <string>

namespace varnetta {

// printf-style formatting into a std::string. The log formats (%o, %9d, %02d)
// are the printf ones, so the C formatter is used as it is; none of them
// depends on the locale.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace varnetta
