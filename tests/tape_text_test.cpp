#include <gtest/gtest.h>

#include <vector>

#include "tape/TapeFile.h"

namespace varnetta {
namespace {

TEST(TapeChecksum, AddsBytesWithEndAroundCarry) {
  EXPECT_EQ(TapeChecksum(std::vector<std::uint8_t>{0x61, 0x62, 0x63}), 294);
  EXPECT_EQ(TapeChecksum(std::vector<std::uint8_t>(257, 0xFF)), 0xFFFF);
  EXPECT_EQ(TapeChecksum(std::vector<std::uint8_t>(258, 0xFF)), 0x00FF);
  EXPECT_EQ(TapeChecksum({}), 0);
}

TapeName NameOf(std::initializer_list<std::uint8_t> bytes) {
  TapeName name{};
  std::copy(bytes.begin(), bytes.end(), name.begin());
  return name;
}

TEST(TapeNameToText, ConvertsTheTargetCharacterSet) {
  struct Case {
    TapeName name;
    const char* text;
  };
  TapeName full;
  full.fill('Z');
  const Case cases[] = {
      {NameOf({0x41, 0x42, 0x43, 0x00, 0x44}), "ABC"},
      {full, "ZZZZZZZZZZZZZZZZ"},
      {NameOf({0x05, 0x41, 0x9F}), " A "},
      {NameOf({0x7F}), "\u25A0"},
      {NameOf({0xC1, 0xE1, 0xC0, 0xFF}), "\u0430\u0410\u044E\u042A"},
      {NameOf({0xA0, 0xBF}), "\u00B6\u2593"},
      {NameOf({0xF7, 0xE1, 0xF2}), "ВАР"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TapeNameToText(c.name), c.text);
  }
}

TEST(TextToTapeName, IsTheInverseOfTheConversion) {
  // Every byte that converts to a character of its own comes back as itself.
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    if (byte >= 0x80 && byte < 0xA0) continue;
    SCOPED_TRACE(byte);
    const TapeName name = NameOf({static_cast<std::uint8_t>(byte)});
    EXPECT_EQ(TextToTapeName(TapeNameToText(name))[0], byte);
  }
}

TEST(TextToTapeName, PadsWithSpacesAndMarksWhatTheSetLacks) {
  const TapeName game = TextToTapeName("GAME");
  EXPECT_EQ(TapeNameToText(game), "GAME            ");
  EXPECT_EQ(TapeNameToText(TextToTapeName("Ёж€")), "?ж?             ");
  EXPECT_EQ(TapeNameToText(TextToTapeName("ABCDEFGHIJKLMNOPQRST")), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(TapeNameToText(TextToTapeName("\xff\xc3")).substr(0, 2), "??");
}

}  // namespace
}  // namespace varnetta
