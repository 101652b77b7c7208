#include "settings/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "settings/AppSettings.h"

namespace varnetta {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::int32_t> ScanLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
  }
  const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
  return static_cast<std::int32_t>(value);
}

std::int32_t ParseLeadingInt(std::string_view text) { return ScanLeadingInt(text).value_or(0); }

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
