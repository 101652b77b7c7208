#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tape/TapeFormat.h"

namespace varnetta {

using TapeName = std::array<std::uint8_t, kNameBytes>;

// What a recognition read of one tape file. Every field is all ones until its
// stage sets it: positions read -1, address, length and checksum 0xFFFF, and
// a first name byte of 0xFF means that no header was read. The data bytes
// stay with the parser.
struct TapeFile {
  std::int32_t tuneStart = -1;
  std::int32_t tuneEnd = -1;
  std::int32_t sync2Start = -1;
  std::int32_t sync2End = -1;
  std::int32_t headerStart = -1;
  std::uint16_t address = 0xFFFF;
  std::uint16_t length = 0xFFFF;
  TapeName name = Unset();
  std::int32_t sync3Start = -1;
  std::int32_t sync3End = -1;
  std::int32_t dataStart = -1;
  std::uint16_t checksum = 0xFFFF;

  bool HeaderRead() const { return name[0] != 0xFF; }

 private:
  static TapeName Unset() {
    TapeName n;
    n.fill(0xFF);
    return n;
  }
};

// 16-bit sum with end-around carry of the data bytes, as the tape stores it.
std::uint16_t TapeChecksum(std::span<const std::uint8_t> data);

// The 16 name bytes in the target computer's character set (ASCII,
// pseudographics, KOI8-R Cyrillic) as UTF-8 text of at most 16 characters;
// a 0x00 byte ends it.
std::string TapeNameToText(const TapeName& name);

// The inverse: UTF-8 text as the 16 name bytes, padded with spaces; a
// character the target set lacks becomes '?', and text past 16 characters is
// cut off.
TapeName TextToTapeName(std::string_view text);

}  // namespace varnetta
