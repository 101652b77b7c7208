#include "recognition/LogText.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/Utf8.h"

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
    const std::optional<Utf8CodePoint> decoded = DecodeUtf8(rest);
    if (decoded) {
      bytes += ToWindows1251(decoded->value);
      at += decoded->length;
    } else {
      bytes += kUnrepresentable;
      ++at;
    }
  }
  return bytes;
}

}  // namespace varnetta
