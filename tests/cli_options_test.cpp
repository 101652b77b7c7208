#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "cli/SettingOptions.h"

namespace varnetta {
namespace {

TEST(SettingOptions, DeltaImpulseTakesOnlyAPlainNumberWithinItsRange) {
  struct Case {
    const char* text;
    std::optional<double> value;  // nothing: refused
  };
  const Case cases[] = {
      {"0.3", 0.3},           {"0,25", 0.25},           {"1e-1", 0.1},           {",5", 0.5},
      {"0.01", 0.01},         {"1", 1.0},               {"1.", 1.0},             {"1,0e0", 1.0},
      {"5.", std::nullopt},   {"1,5e1", std::nullopt},  {"5", std::nullopt},     {"1e308", std::nullopt},
      {"1e-320", std::nullopt}, {"0.0099", std::nullopt}, {"1.0001", std::nullopt}, {"0,3x", std::nullopt},
      {" 0.3", std::nullopt}, {"+0.3", std::nullopt},   {"0.3 ", std::nullopt},  {"0", std::nullopt},
      {"-1", std::nullopt},   {"inf", std::nullopt},    {"nan", std::nullopt},   {"", std::nullopt},
      {"1e999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    AppSettings bySet;
    AppSettings byOption;
    const std::optional<std::string> setError = ApplySetting(bySet, "DeltaImpulse", c.text);
    const std::optional<std::string> optionError = ApplySettingOption(byOption, "--delta-impulse", c.text);
    EXPECT_EQ(bySet, byOption);
    EXPECT_EQ(setError, optionError);
    if (c.value) {
      EXPECT_EQ(setError, std::nullopt);
      EXPECT_EQ(bySet.DeltaImpulseText, c.text);
      EXPECT_DOUBLE_EQ(bySet.DeltaImpulse, *c.value);
    } else {
      EXPECT_EQ(setError, "invalid value '" + std::string(c.text) +
                              "' for DeltaImpulse: expected a decimal number from 0.01 to 1");
      EXPECT_EQ(bySet, AppSettings{});
    }
  }
}

TEST(SettingOptions, SetMatchesNamesAsTheStoreDoes) {
  struct Case {
    const char* name;
    const char* value;
    std::int32_t AppSettings::*field;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"multifile", "Yes", &AppSettings::MultiFile, 1},
      {"MULTIFILE", "yes", &AppSettings::MultiFile, 1},
      {"tuneSCATTER", "7", &AppSettings::TuneScatter, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppSettings settings;
    EXPECT_EQ(ApplySetting(settings, c.name, c.value), std::nullopt);
    EXPECT_EQ(settings.*c.field, c.expected);
  }
  AppSettings delta;
  EXPECT_EQ(ApplySetting(delta, "deltaimpulse", "0,5"), std::nullopt);
  EXPECT_EQ(delta.DeltaImpulseText, "0,5");
  for (const char* unknown : {"Multi File", " MultiFile", "MultiFiles", "MultiFil"}) {
    SCOPED_TRACE(unknown);
    AppSettings settings;
    EXPECT_EQ(ApplySetting(settings, unknown, "Yes"), "unknown setting '" + std::string(unknown) + "'");
    EXPECT_EQ(settings, AppSettings{});
  }
}

}  // namespace
}  // namespace varnetta
