#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace varnetta {

// A whole audio file held in memory.
using FileBytes = std::span<const std::uint8_t>;

enum class ByteOrder { LittleEndian, BigEndian };

// Positions inside a file are 32-bit signed, so a file must be smaller than 2 GiB.
inline constexpr std::int64_t kMaxFileBytes = std::numeric_limits<std::int32_t>::max();

// The Width bytes at `bytes` as an unsigned number.
template <ByteOrder Order, int Width>
constexpr std::uint32_t AssembleBits(const std::uint8_t* bytes) {
  std::uint32_t bits = 0;
  for (int i = 0; i < Width; ++i) {
    const int index = Order == ByteOrder::BigEndian ? i : Width - 1 - i;
    bits = (bits << 8) | bytes[index];
  }
  return bits;
}

// True when count bytes from position lie wholly inside the buffer.
bool HoldsBytes(FileBytes buffer, std::int64_t position, std::int64_t count);

// True when the four bytes at position are the identifier id.
bool HasIdentifier(FileBytes buffer, std::int64_t position, std::string_view id);

// Header fields; a field that does not lie wholly inside the buffer reads as 0.
std::uint16_t ReadU16(FileBytes buffer, std::int64_t position, ByteOrder order);
std::uint32_t ReadU32(FileBytes buffer, std::int64_t position, ByteOrder order);

// Position of the first chunk after the 12-byte container header whose
// identifier is id, or -1. Chunk sizes are read in the container's byte order.
std::int64_t FindChunk(FileBytes buffer, std::string_view id, ByteOrder order);

}  // namespace varnetta
