#include "recognition/BinLayout.h"

#include <algorithm>

#include "tape/TapeFormat.h"

namespace varnetta {

namespace {

// The address and length words in front of the name or the data.
constexpr std::size_t kShortHeader = 4;

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
  bytes.push_back(static_cast<std::uint8_t>(word & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>(word >> 8));
}

void AppendData(std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> data, std::size_t length) {
  const std::span<const std::uint8_t> present = data.first(std::min(length, data.size()));
  bytes.insert(bytes.end(), present.begin(), present.end());
  bytes.resize(bytes.size() + (length - present.size()), 0);
}

std::uint16_t WordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

}  // namespace

std::vector<std::uint8_t> EncodeBinFile(const TapeFile& record, std::span<const std::uint8_t> data, bool longLayout) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(std::size_t{record.length} + 22);
  AppendWord(bytes, record.address);
  AppendWord(bytes, record.length);
  if (longLayout) bytes.insert(bytes.end(), record.name.begin(), record.name.end());
  AppendData(bytes, data, record.length);
  if (longLayout) AppendWord(bytes, record.checksum);
  return bytes;
}

std::optional<BinContents> DecodeBinFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kShortHeader) return std::nullopt;
  const std::size_t length = WordAt(bytes, 2);
  BinContents contents;
  contents.address = WordAt(bytes, 0);
  std::size_t dataStart = kShortHeader;
  if (bytes.size() == kShortHeader + kNameBytes + length + kChecksumBytes) {
    TapeName name;
    std::copy_n(bytes.begin() + kShortHeader, kNameBytes, name.begin());
    contents.name = name;
    contents.checksum = WordAt(bytes, kShortHeader + kNameBytes + length);
    dataStart += kNameBytes;
  } else if (bytes.size() != kShortHeader + length) {
    return std::nullopt;
  }
  const auto data = bytes.subspan(dataStart, length);
  contents.data.assign(data.begin(), data.end());
  return contents;
}

}  // namespace varnetta
