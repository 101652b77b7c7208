#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "recognition/BinLayout.h"
#include "support/TapeRecords.h"

namespace varnetta {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BinLayout, DecodeTellsTheLayoutsApartByTheirSize) {
  const Bytes name = {'N', 'A', 'M', 'E', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  Bytes longFile = {0x34, 0x12, 0x02, 0x00};
  longFile.insert(longFile.end(), name.begin(), name.end());
  longFile.insert(longFile.end(), {0xAA, 0xBB, 0x65, 0x01});
  Bytes emptyLong = {0x00, 0x01, 0x00, 0x00};
  emptyLong.insert(emptyLong.end(), name.begin(), name.end());
  emptyLong.insert(emptyLong.end(), {0xFF, 0xFF});
  struct Row {
    const char* name;
    Bytes file;
    std::optional<std::uint16_t> address;  // none: refused
    Bytes data;
    bool hasName;
    std::optional<std::uint16_t> checksum;
  };
  const Row rows[] = {
      {"empty", {}, std::nullopt, {}, false, std::nullopt},
      {"shorter than a header", {1, 2, 0}, std::nullopt, {}, false, std::nullopt},
      {"short", {0x00, 0x02, 0x03, 0x00, 7, 8, 9}, 0x0200, {7, 8, 9}, false, std::nullopt},
      {"short, no data", {0x01, 0x00, 0x00, 0x00}, 0x0001, {}, false, std::nullopt},
      {"short, a byte missing", {0x00, 0x02, 0x03, 0x00, 7, 8}, std::nullopt, {}, false, std::nullopt},
      {"short, a byte too many", {0x00, 0x02, 0x03, 0x00, 7, 8, 9, 10}, std::nullopt, {}, false, std::nullopt},
      {"long", longFile, 0x1234, {0xAA, 0xBB}, true, 0x0165},
      {"long, no data", emptyLong, 0x0100, {}, true, 0xFFFF},
      {"long, the checksum cut off", Bytes(longFile.begin(), longFile.end() - 1), std::nullopt, {}, false,
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<BinContents> contents = DecodeBinFile(row.file);
    ASSERT_EQ(contents.has_value(), row.address.has_value());
    if (!contents) continue;
    EXPECT_EQ(contents->address, *row.address);
    EXPECT_EQ(contents->data, row.data);
    EXPECT_EQ(contents->name.has_value(), row.hasName);
    if (row.hasName) {
      EXPECT_EQ(*contents->name, testing::NameOf("NAME"));
    }
    EXPECT_EQ(contents->checksum, row.checksum);
  }
}

TEST(BinLayout, DecodeReadsWhatEncodeWrote) {
  const Bytes data = {0, 1, 2, 250, 251, 252, 253, 254, 255};
  const TapeFile record = testing::DecodedRecord("ROUND", 0170000, data);
  for (bool longLayout : {false, true}) {
    SCOPED_TRACE(longLayout ? "long" : "short");
    const std::optional<BinContents> contents = DecodeBinFile(EncodeBinFile(record, data, longLayout));
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->address, 0170000);
    EXPECT_EQ(contents->data, data);
    EXPECT_EQ(contents->name, longLayout ? std::optional<TapeName>(record.name) : std::nullopt);
    EXPECT_EQ(contents->checksum, longLayout ? std::optional<std::uint16_t>(record.checksum) : std::nullopt);
  }
}

}  // namespace
}  // namespace varnetta
