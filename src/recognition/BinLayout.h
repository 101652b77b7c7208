#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tape/TapeFile.h"

namespace varnetta {

// The bytes of a ".bin" file, 16-bit fields low byte first, N = record.length:
// short layout: address, N, N data bytes (4 + N bytes);
// long layout: address, N, the 16 raw name bytes, N data bytes, the checksum
// read from the tape (22 + N bytes).
// Data bytes beyond the end of data are written as 0, as the recognition
// leaves bytes it did not reach.
std::vector<std::uint8_t> EncodeBinFile(const TapeFile& record, std::span<const std::uint8_t> data, bool longLayout);

// What a ".bin" file holds; the name and checksum only in the long layout.
struct BinContents {
  std::uint16_t address = 0;
  std::optional<TapeName> name;
  std::vector<std::uint8_t> data;
  std::optional<std::uint16_t> checksum;
};

// Reads either layout, told apart by the file size against the length field;
// none when the size fits neither.
std::optional<BinContents> DecodeBinFile(std::span<const std::uint8_t> bytes);

}  // namespace varnetta
