#include "common/TextFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace varnetta {
namespace {

TEST(FormatText, UsesThePrintfConversions) {
  EXPECT_EQ(FormatText("%06o|%o|%9d|%02d|%s", 294u, 0xFFFFu, 42, 3, "имя"), "000446|177777|       42|03|имя");
  EXPECT_EQ(FormatText("plain"), "plain");
  EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(FormatText, HoldsLongMessages) {
  const std::string long_text(100000, 'x');
  EXPECT_EQ(FormatText("[%s]", long_text.c_str()), "[" + long_text + "]");
}

}  // namespace
}  // namespace varnetta
