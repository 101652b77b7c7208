#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cli/SettingOptions.h"

namespace varnetta {
namespace {

TEST(SettingOptions, DeltaImpulseTakesOnlyAPlainPositiveNumber) {
  struct Case {
    const char* text;
    std::optional<double> value;  // nothing: refused
  };
  const Case cases[] = {
      {"0.3", 0.3},           {"0,25", 0.25},         {"1e-1", 0.1},          {",5", 0.5},
      {"5.", 5.0},            {"1,5e1", 15.0},        {"0,3x", std::nullopt}, {" 0.3", std::nullopt},
      {"+0.3", std::nullopt}, {"0.3 ", std::nullopt}, {"0", std::nullopt},    {"-1", std::nullopt},
      {"inf", std::nullopt},  {"nan", std::nullopt},  {"", std::nullopt},     {"1e999", std::nullopt},
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
                              "' for DeltaImpulse: expected a positive decimal number such as 0.3");
      EXPECT_EQ(bySet, AppSettings{});
    }
  }
}

}  // namespace
}  // namespace varnetta
