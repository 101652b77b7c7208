#include "common/TextFormat.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/TwoThreads.h"

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

TEST(ForEachOnTwoThreads, CallsEveryIndexOnce) {
  for (const std::size_t count : {0u, 1u, 2u, 7u}) {
    SCOPED_TRACE(count);
    std::vector<int> calls(count, 0);
    ForEachOnTwoThreads(count, [&](std::size_t i) { ++calls[i]; });
    EXPECT_EQ(calls, std::vector<int>(count, 1));
  }
}

TEST(ForEachOnTwoThreads, PassesOnAFailureOfEitherThread) {
  for (const std::size_t failing : {0u, 1u}) {
    SCOPED_TRACE(failing);
    std::vector<int> calls(2, 0);
    EXPECT_THROW(ForEachOnTwoThreads(2,
                                     [&](std::size_t i) {
                                       ++calls[i];
                                       if (i == failing) throw std::runtime_error("failed");
                                     }),
                 std::runtime_error);
    EXPECT_EQ(calls, std::vector<int>(2, 1));  // the other one was done all the same
  }
}

}  // namespace
}  // namespace varnetta
