#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tape/TapeFile.h"

namespace varnetta::testing {

// 16 name bytes in the tape's character set, padded with spaces.
inline TapeName NameOf(std::string_view bytes) {
  TapeName name;
  name.fill(0x20);
  for (std::size_t i = 0; i < bytes.size() && i < name.size(); ++i) name[i] = static_cast<std::uint8_t>(bytes[i]);
  return name;
}

// A record read through to its checksum, which matches data.
inline TapeFile DecodedRecord(std::string_view name, std::uint16_t address, const std::vector<std::uint8_t>& data) {
  TapeFile record;
  record.tuneStart = 0;
  record.tuneEnd = 50;
  record.headerStart = 100;
  record.address = address;
  record.length = static_cast<std::uint16_t>(data.size());
  record.name = NameOf(name);
  record.dataStart = 300;
  record.checksum = TapeChecksum(data);
  return record;
}

}  // namespace varnetta::testing
