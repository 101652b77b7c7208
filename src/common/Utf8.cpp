#include "common/Utf8.h"

#include <cstdint>

namespace varnetta {

std::optional<Utf8CodePoint> DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  std::size_t length = 0;
  char32_t c = 0;
  if (lead < 0x80) return Utf8CodePoint{lead, 1};
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07u;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[i]);
    if ((next & 0xC0u) != 0x80u) return std::nullopt;
    c = (c << 6) | (next & 0x3Fu);
  }
  constexpr char32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  return Utf8CodePoint{c, length};
}

void AppendUtf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string ReplaceControlCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<Utf8CodePoint> decoded = DecodeUtf8(text.substr(i));
    const std::size_t length = decoded ? decoded->length : 1;
    const char32_t c = decoded ? decoded->value : 0xFFFD;
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    if (control) {
      out += '?';
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

}  // namespace varnetta
