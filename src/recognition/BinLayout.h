#pragma once

#include <cstdint>
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

}  // namespace varnetta
