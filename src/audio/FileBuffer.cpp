#include "audio/FileBuffer.h"

namespace varnetta {

namespace {

constexpr std::int64_t kContainerHeaderBytes = 12;
constexpr std::int64_t kChunkHeaderBytes = 8;

// Chunk identifiers are four printable ASCII characters.
bool LooksLikeIdentifier(FileBytes buffer, std::int64_t position) {
  if (!HoldsBytes(buffer, position, 4)) return false;
  for (std::int64_t i = 0; i < 4; ++i) {
    const std::uint8_t byte = buffer[static_cast<std::size_t>(position + i)];
    if (byte < 0x20 || byte > 0x7E) return false;
  }
  return true;
}

// Where the chunk after one of chunkSize bytes ending at chunkEnd starts.
// RIFF and IFF put a pad byte after a chunk of odd size, but some writers leave
// it out. A pad byte is zero in practice and never starts an identifier, so the
// pad is skipped unless an identifier starts right at the chunk's end.
std::int64_t NextChunkPosition(FileBytes buffer, std::int64_t chunkEnd, std::int64_t chunkSize) {
  if (chunkSize % 2 == 0 || LooksLikeIdentifier(buffer, chunkEnd)) return chunkEnd;
  return chunkEnd + 1;
}

}  // namespace

bool HoldsBytes(FileBytes buffer, std::int64_t position, std::int64_t count) {
  return position >= 0 && count >= 0 && count <= static_cast<std::int64_t>(buffer.size()) - position;
}

bool HasIdentifier(FileBytes buffer, std::int64_t position, std::string_view id) {
  if (id.size() != 4 || !HoldsBytes(buffer, position, 4)) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (buffer[static_cast<std::size_t>(position) + i] != static_cast<std::uint8_t>(id[i])) return false;
  }
  return true;
}

std::uint16_t ReadU16(FileBytes buffer, std::int64_t position, ByteOrder order) {
  if (!HoldsBytes(buffer, position, 2)) return 0;
  const std::uint8_t* bytes = buffer.data() + position;
  return static_cast<std::uint16_t>(order == ByteOrder::BigEndian ? AssembleBits<ByteOrder::BigEndian, 2>(bytes)
                                                                  : AssembleBits<ByteOrder::LittleEndian, 2>(bytes));
}

std::uint32_t ReadU32(FileBytes buffer, std::int64_t position, ByteOrder order) {
  if (!HoldsBytes(buffer, position, 4)) return 0;
  const std::uint8_t* bytes = buffer.data() + position;
  return order == ByteOrder::BigEndian ? AssembleBits<ByteOrder::BigEndian, 4>(bytes)
                                       : AssembleBits<ByteOrder::LittleEndian, 4>(bytes);
}

std::int64_t FindChunk(FileBytes buffer, std::string_view id, ByteOrder order) {
  const auto size = static_cast<std::int64_t>(buffer.size());
  if (size - 4 <= kContainerHeaderBytes) return -1;
  std::int64_t position = kContainerHeaderBytes;
  while (true) {
    if (HasIdentifier(buffer, position, id)) return position;
    if (position + kChunkHeaderBytes >= size) return -1;
    const std::int64_t chunkSize = static_cast<std::int32_t>(ReadU32(buffer, position + 4, order));
    if (chunkSize < 0 || chunkSize > size - position - kChunkHeaderBytes) return -1;
    position = NextChunkPosition(buffer, position + kChunkHeaderBytes + chunkSize, chunkSize);
    if (position >= size - 4) return -1;
  }
}

}  // namespace varnetta
