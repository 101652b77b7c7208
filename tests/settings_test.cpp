#include "settings/AppSettings.h"
#include "settings/NumberText.h"

#include <gtest/gtest.h>

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

TEST(NumberText, ReadsALeadingInteger) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> scanned;
  };
  const Case cases[] = {
      {"7abc", 7},          {"abc", std::nullopt}, {"-5", -5},           {"  12", 12},
      {"+3", 3},            {"", std::nullopt},    {"-", std::nullopt},  {"5 6", 5},
      {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}, {"- 1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ScanLeadingInt(c.text), c.scanned);
    EXPECT_EQ(ParseLeadingInt(c.text), c.scanned.value_or(0));
  }
}

TEST(NumberText, ReadsALeadingDecimalAndSaysHowFarItRead) {
  struct Case {
    const char* text;
    double value;
    std::size_t length;
  };
  const Case cases[] = {
      {"0,3x", 0.3, 3},     {" \t0.3", 0.3, 5}, {"+0.4", 0.4, 4}, {"-0,2", -0.2, 4}, {"1,5e1x", 15.0, 5},
      {"2e", 2.0, 1},       {"abc", 0.0, 0},    {"", 0.0, 0},     {"  ", 0.0, 0},   {"+-1", 0.0, 0},
      {"1e999", 0.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const DecimalReading reading = ReadLeadingDecimal(c.text);
    EXPECT_DOUBLE_EQ(reading.value, c.value);
    EXPECT_EQ(reading.length, c.length);
  }
}

}  // namespace
}  // namespace varnetta
