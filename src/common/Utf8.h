#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnetta {

struct Utf8CodePoint {
  char32_t value;
  std::size_t length;  // bytes of its encoding
};

// The code point encoded at the start of text (which must not be empty), or
// nothing when it does not start with a valid, shortest-form encoding of a
// scalar value (no surrogates, nothing above U+10FFFF).
std::optional<Utf8CodePoint> DecodeUtf8(std::string_view text);

// Appends the UTF-8 encoding of a scalar value.
void AppendUtf8(std::string& text, char32_t c);

// The text with every control character (C0, DEL and C1) replaced by '?', so
// that a name put into a line of text never breaks or steers it. Bytes that
// are not valid UTF-8 are kept.
std::string ReplaceControlCharacters(std::string_view text);

}  // namespace varnetta
