#include "settings/AppSettings.h"

#include <charconv>
#include <string>

namespace varnetta {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

double ParseDeltaImpulse(std::string_view text) {
  std::string copy(text);
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  std::size_t start = 0;
  while (start < copy.size() && IsBlank(copy[start])) ++start;
  // from_chars takes a leading '-' but not a '+'.
  if (start < copy.size() && copy[start] == '+') {
    ++start;
    if (start < copy.size() && copy[start] == '-') return 0.0;
  }
  double value = 0.0;
  const char* first = copy.data() + start;
  const auto result = std::from_chars(first, copy.data() + copy.size(), value);
  // Nothing readable, or a magnitude no double holds, gives 0.0.
  if (result.ec != std::errc()) return 0.0;
  return value;
}

}  // namespace varnetta
