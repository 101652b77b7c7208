#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/LogPaneTrim.h"

namespace varnetta {
namespace {

TEST(LogPaneTrim, DropsAsFewWholeLinesAsMakeRoom) {
  struct Row {
    const char* name;
    std::string_view pane;
    std::size_t append;
    std::size_t limit;
    std::size_t dropped;
  };
  // "ab\n" "cde\n" "f\n" "gh": lines end at 3, 7 and 9; 11 characters.
  const std::string_view pane = "ab\ncde\nf\ngh";
  const Row rows[] = {
      {"well below the limit", pane, 1, 15, 0},
      {"one below the limit", pane, 3, 15, 0},
      {"exactly at the limit drops one line", pane, 4, 15, 3},
      {"excess 2 drops the first line", pane, 6, 15, 3},
      {"excess 3 needs more than 3: two lines", pane, 7, 15, 7},
      {"excess 6 is covered by two lines", pane, 10, 15, 7},
      {"excess 7 needs the third line", pane, 11, 15, 9},
      {"excess 9 leaves no further line feed: all", pane, 13, 15, 11},
      {"a full pane of one line without line feed", "abcdefgh", 1, 9, 8},
      {"an empty pane and a long text", "", 20, 10, 0},
      {"a pane ending in its line feed", "ab\ncd\n", 5, 10, 3},
      {"a final line feed ends the last line", "ab\ncd\n", 8, 10, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LinesToDropForAppend(row.pane, row.append, row.limit), row.dropped);
  }
}

TEST(LogPaneTrim, CountsInTheUnitsOfThePane) {
  // A pane that counts UTF-16 units: "ф\nю\n" is four units.
  EXPECT_EQ(LinesToDropForAppend(std::u16string_view(u"ф\nю\n"), 6, 10), 2u);
  EXPECT_EQ(LinesToDropForAppend(std::u16string_view(u"ф\nю\n"), 5, 10), 0u);
  EXPECT_EQ(LinesToDropForAppend(std::u16string_view(u"фю"), 8, 10), 2u);
}

}  // namespace
}  // namespace varnetta
