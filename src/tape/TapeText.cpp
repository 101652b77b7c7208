#include <cstdint>
#include <optional>
#include <string>

#include "common/Utf8.h"
#include "tape/TapeFile.h"

namespace varnetta {

namespace {

// 0xA0 .. 0xBF of the target character set.
constexpr char32_t kPseudographics[32] = {
    0x00B6, 0x2534, 0x2665, 0x2510, 0x2561, 0x251C, 0x2514, 0x2550, 0x2564, 0x2660, 0x250C,
    0x252C, 0x2568, 0x2193, 0x253C, 0x2551, 0x2524, 0x2190, 0x256C, 0x2191, 0x2663, 0x2500,
    0x256B, 0x2502, 0x2666, 0x2518, 0x256A, 0x2565, 0x2567, 0x255E, 0x2192, 0x2593,
};

// KOI8-R 0xC0 .. 0xDF: lower-case Cyrillic; 0xE0 .. 0xFF hold the same letters in upper case.
constexpr char32_t kKoi8Lower[32] = {
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x0439,
    0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443,
    0x0436, 0x0432, 0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,
};

char32_t NameByteToCodePoint(std::uint8_t byte) {
  if (byte < 0x20 || (byte >= 0x80 && byte < 0xA0)) return U' ';
  if (byte < 0x7F) return byte;
  if (byte == 0x7F) return 0x25A0;
  if (byte < 0xC0) return kPseudographics[byte - 0xA0];
  if (byte < 0xE0) return kKoi8Lower[byte - 0xC0];
  return kKoi8Lower[byte - 0xE0] - 0x20;  // the upper-case letter of the same row
}

std::uint8_t CodePointToNameByte(char32_t c) {
  if (c >= 0x20 && c < 0x7F) return static_cast<std::uint8_t>(c);
  if (c == 0x25A0) return 0x7F;
  for (std::uint8_t k = 0; k < 32; ++k) {
    if (kPseudographics[k] == c) return static_cast<std::uint8_t>(0xA0 + k);
    if (kKoi8Lower[k] == c) return static_cast<std::uint8_t>(0xC0 + k);
    if (kKoi8Lower[k] - 0x20 == c) return static_cast<std::uint8_t>(0xE0 + k);
  }
  return '?';
}

}  // namespace

TapeName TextToTapeName(std::string_view text) {
  TapeName name;
  name.fill(' ');
  std::size_t i = 0;
  for (std::uint8_t& byte : name) {
    if (i >= text.size()) break;
    // A byte that starts no valid sequence stands for one unknown character.
    const std::optional<Utf8CodePoint> decoded = DecodeUtf8(text.substr(i));
    byte = decoded ? CodePointToNameByte(decoded->value) : static_cast<std::uint8_t>('?');
    i += decoded ? decoded->length : 1;
  }
  return name;
}

std::uint16_t TapeChecksum(std::span<const std::uint8_t> data) {
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : data) {
    sum += byte;
    if (sum > 0xFFFF) sum = (sum & 0xFFFF) + 1;
  }
  return static_cast<std::uint16_t>(sum);
}

std::string TapeNameToText(const TapeName& name) {
  std::string text;
  for (const std::uint8_t byte : name) {
    if (byte == 0x00) break;
    AppendUtf8(text, NameByteToCodePoint(byte));
  }
  return text;
}

}  // namespace varnetta
