#include "recognition/BinLayout.h"

#include <algorithm>

namespace varnetta {

namespace {

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t word) {
  bytes.push_back(static_cast<std::uint8_t>(word & 0xFFu));
  bytes.push_back(static_cast<std::uint8_t>(word >> 8));
}

void AppendData(std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> data, std::size_t length) {
  const std::span<const std::uint8_t> present = data.first(std::min(length, data.size()));
  bytes.insert(bytes.end(), present.begin(), present.end());
  bytes.resize(bytes.size() + (length - present.size()), 0);
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

}  // namespace varnetta
