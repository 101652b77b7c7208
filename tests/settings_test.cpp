#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ostream>

namespace varnetta {
namespace {

TEST(AppSettings, DefaultsAreThoseOfAFirstStart) {
  const AppSettings s;
  EXPECT_EQ(s.DeltaImpulseText, "0.3");
  EXPECT_EQ(s.UseLongBinFormat, 0);
  EXPECT_EQ(s.FrontAnalyse, 1);
  EXPECT_EQ(s.FrontAliasing, 1);
  EXPECT_EQ(s.FrontLevels, 0);
  EXPECT_EQ(s.IgnoreCRC, 0);
  EXPECT_EQ(s.IgnoreErrors, 0);
  EXPECT_EQ(s.StoreWorkLog, 0);
  EXPECT_EQ(s.MultiFile, 0);
  EXPECT_EQ(s.TuneScatter, 3);
  EXPECT_EQ(AppSettings::ProgressSteps, 500);
  EXPECT_EQ(AppSettings::RefreshPeriodMs, 100);
  EXPECT_EQ(s.DeltaImpulse, 0.3);
}

struct ParseCase {
  const char* text;
  double expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseDeltaImpulseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseDeltaImpulseTest, ReadsTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(ParseDeltaImpulse(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseDeltaImpulseTest,
                         testing::Values(ParseCase{"0,25", 0.25}, ParseCase{"0.25", 0.25}, ParseCase{"1e-1", 0.1},
                                         ParseCase{"abc", 0.0}, ParseCase{"", 0.0}, ParseCase{"  0,5", 0.5},
                                         ParseCase{"+0.4", 0.4}, ParseCase{"-0,2", -0.2}, ParseCase{"+-1", 0.0},
                                         ParseCase{"0.3abc", 0.3}, ParseCase{"1,5e1x", 15.0},
                                         ParseCase{",5", 0.5}, ParseCase{"1e999", 0.0}));

TEST(ParseDeltaImpulse, IgnoresTheProcessLocale) {
  // A toolkit may switch the C locale to the user's; the result must not move.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_DOUBLE_EQ(ParseDeltaImpulse("0.25"), 0.25);
  EXPECT_DOUBLE_EQ(ParseDeltaImpulse("0,25"), 0.25);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SharedSettings, SnapshotReturnsWhatWasStored) {
  SharedSettings shared;
  EXPECT_EQ(shared.Snapshot(), AppSettings{});
  AppSettings changed;
  changed.MultiFile = 1;
  changed.DeltaImpulseText = "0,25";
  changed.DeltaImpulse = 0.25;
  shared.Store(changed);
  EXPECT_EQ(shared.Snapshot(), changed);
}

}  // namespace
}  // namespace varnetta
