#include "settings/NumberText.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>
#include <string>

#include "settings/AppSettings.h"

namespace varnetta {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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

DecimalReading ReadLeadingDecimal(std::string_view text) {
  std::string dotted(text);
  std::replace(dotted.begin(), dotted.end(), ',', '.');
  std::size_t start = 0;
  while (start < dotted.size() && IsBlank(dotted[start])) ++start;
  // from_chars takes a leading '-' but not a '+'.
  if (start < dotted.size() && dotted[start] == '+') {
    ++start;
    if (start < dotted.size() && dotted[start] == '-') return {};
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(dotted.data() + start, dotted.data() + dotted.size(), value);
  if (error != std::errc()) return {};
  return {value, static_cast<std::size_t>(end - dotted.data())};
}

std::string FormatDecimal(double value, char separator) {
  char digits[32];
  const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), value);
  std::string text(std::begin(digits), error == std::errc() ? end : std::begin(digits));
  std::replace(text.begin(), text.end(), '.', separator);
  return text;
}

double ParseDeltaImpulse(std::string_view text) { return ReadLeadingDecimal(text).value; }

}  // namespace varnetta
