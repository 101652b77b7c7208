#include "recognition/LogText.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace varnetta {

namespace {

// Windows-1251 bytes 0x80 .. 0xBF; 0x98 is unassigned (0 never matches a
// decoded character, which is at least 0x80 here). 0xC0 .. 0xFF hold
// U+0410 .. U+044F in order.
constexpr char32_t kUpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char kUnrepresentable = '?';

char ToWindows1251(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<char>(0xC0 + (c - 0x0410));
  for (std::size_t i = 0; i < std::size(kUpperHalf); ++i) {
    if (kUpperHalf[i] == c) return static_cast<char>(0x80 + i);
  }
  return kUnrepresentable;
}

struct Decoded {
  char32_t codePoint;
  std::size_t length;
};

// The UTF-8 sequence at the start of text, or nothing when it is not a valid,
// shortest-form encoding of a scalar value.
std::optional<Decoded> DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  std::size_t length = 0;
  char32_t c = 0;
  if (lead < 0x80) return Decoded{lead, 1};
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
  return Decoded{c, length};
}

}  // namespace

std::string EncodeLogText(std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size() + utf8.size() / 16);
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::string_view rest = utf8.substr(at);
    if (rest.starts_with("\r\n") || rest[0] == '\n') {
      bytes += "\r\n";
      at += rest[0] == '\n' ? 1u : 2u;
      continue;
    }
    const std::optional<Decoded> decoded = DecodeUtf8(rest);
    if (decoded) {
      bytes += ToWindows1251(decoded->codePoint);
      at += decoded->length;
    } else {
      bytes += kUnrepresentable;
      ++at;
    }
  }
  return bytes;
}

}  // namespace varnetta
