#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/SettingOptions.h"
#include "settings/SettingsForm.h"
#include "settings/SettingsTable.h"

namespace varnetta {
namespace {

// Each flag by the names the user meets it under, and the field it must reach.
struct FlagNames {
  const char* name;
  const char* on;
  const char* off;
  const char* control;
  std::int32_t AppSettings::*field;
};

const FlagNames kFlags[] = {
    {"UseLongBinFormat", "--long-bin", "--short-bin", "1009", &AppSettings::UseLongBinFormat},
    {"FrontAnalyse", "--fronts", "--no-fronts", "1010", &AppSettings::FrontAnalyse},
    {"FrontAliasing", "--smoothing", "--no-smoothing", "1011", &AppSettings::FrontAliasing},
    {"FrontLevels", "--levels-on-fronts", "--no-levels-on-fronts", "1012", &AppSettings::FrontLevels},
    {"IgnoreCRC", "--ignore-crc", "--no-ignore-crc", "1015", &AppSettings::IgnoreCRC},
    {"IgnoreErrors", "--ignore-errors", "--no-ignore-errors", "1020", &AppSettings::IgnoreErrors},
    {"StoreWorkLog", "--store-work-log", "--no-store-work-log", "1016", &AppSettings::StoreWorkLog},
    {"MultiFile", "--multi-file", "--single-file", "1019", &AppSettings::MultiFile},
};

AppSettings EveryFlagAt(std::int32_t value) {
  AppSettings settings;
  for (const FlagNames& flag : kFlags) settings.*flag.field = value;
  return settings;
}

// The stored name of the setting the dialog shows in that control.
std::string SettingOfControl(const char* id) {
  for (const SettingRow& row : SettingRows()) {
    if (std::string(row.control.id) == id) return row.name;
  }
  ADD_FAILURE() << "no setting has control " << id;
  return {};
}

// The settings after OK in a dialog that shows `shown` with one control changed.
template <typename Change>
std::optional<AppSettings> AfterOk(const AppSettings& shown, const char* control, Change change) {
  SettingsForm form = FormFromSettings(shown);
  change(form[SettingOfControl(control)]);
  return ReadSettingsForm(form).settings;
}

TEST(SettingsTable, EachFlagsOptionsNameAndControlReachOnlyItsField) {
  for (const FlagNames& flag : kFlags) {
    for (const std::int32_t value : {1, 0}) {
      SCOPED_TRACE(testing::Message() << flag.name << " to " << value);
      // Every other flag holds the other value, so a change of any of them shows.
      const AppSettings before = EveryFlagAt(1 - value);
      AppSettings expected = before;
      expected.*flag.field = value;

      const char* option = value == 1 ? flag.on : flag.off;
      EXPECT_TRUE(IsSettingOption(option));
      EXPECT_FALSE(SettingOptionTakesValue(option));
      AppSettings byOption = before;
      EXPECT_EQ(ApplySettingOption(byOption, option, {}), std::nullopt);
      EXPECT_EQ(byOption, expected);

      AppSettings bySet = before;
      EXPECT_EQ(ApplySetting(bySet, flag.name, value == 1 ? "Yes" : "No"), std::nullopt);
      EXPECT_EQ(bySet, expected);

      EXPECT_EQ(AfterOk(before, flag.control, [&](FormValue& box) { box.checked = value == 1; }), expected);
    }
  }
}

TEST(SettingsTable, TuneScatterAndDeltaImpulseReachOnlyTheirFields) {
  AppSettings scattered;
  scattered.TuneScatter = 7;
  AppSettings delta;
  delta.DeltaImpulseText = "0,7";
  delta.DeltaImpulse = 0.7;
  struct Case {
    const char* name;
    const char* option;
    const char* control;
    const char* text;
    const AppSettings& expected;
  };
  const Case cases[] = {
      {"TuneScatter", "--tune-scatter", "1014", "7", scattered},
      {"DeltaImpulse", "--delta-impulse", "1018", "0,7", delta},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(IsSettingOption(c.option));
    EXPECT_TRUE(SettingOptionTakesValue(c.option));
    AppSettings byOption;
    EXPECT_EQ(ApplySettingOption(byOption, c.option, c.text), std::nullopt);
    EXPECT_EQ(byOption, c.expected);

    AppSettings bySet;
    EXPECT_EQ(ApplySetting(bySet, c.name, c.text), std::nullopt);
    EXPECT_EQ(bySet, c.expected);

    EXPECT_EQ(AfterOk(AppSettings{}, c.control, [&](FormValue& edit) { edit.text = c.text; }), c.expected);
  }
}

TEST(SettingsTable, CommandLineAndDialogTakeTheRangeOfTheRow) {
  struct Case {
    const char* name;
    const char* option;
    const char* text;
    bool inRange;
    const char* cliRefusal;
    const char* dialogRefusal;
  };
  const char* const wholeNumber = "expected a whole number from 1 to 20";
  const char* const wholeNumberInDialog = "Введите целое число от 1 до 20.";
  const char* const decimal = "expected a decimal number from 0.01 to 1";
  const char* const decimalInDialog = "Введите число от 0,01 до 1.";
  const Case cases[] = {
      {"TuneScatter", "--tune-scatter", "0", false, wholeNumber, wholeNumberInDialog},
      {"TuneScatter", "--tune-scatter", "1", true, wholeNumber, wholeNumberInDialog},
      {"TuneScatter", "--tune-scatter", "20", true, wholeNumber, wholeNumberInDialog},
      {"TuneScatter", "--tune-scatter", "21", false, wholeNumber, wholeNumberInDialog},
      {"DeltaImpulse", "--delta-impulse", "0.0099", false, decimal, decimalInDialog},
      {"DeltaImpulse", "--delta-impulse", "0.01", true, decimal, decimalInDialog},
      {"DeltaImpulse", "--delta-impulse", "1", true, decimal, decimalInDialog},
      {"DeltaImpulse", "--delta-impulse", "1.0001", false, decimal, decimalInDialog},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.text);
    const SettingRow& row = SettingNamed(c.name);
    AppSettings byOption;
    const std::optional<std::string> optionError = ApplySettingOption(byOption, c.option, c.text);
    AppSettings bySet;
    EXPECT_EQ(ApplySetting(bySet, c.name, c.text), optionError);
    SettingsForm form = FormFromSettings(AppSettings{});
    form[c.name].text = c.text;
    const SettingsFormReading reading = ReadSettingsForm(form);

    if (c.inRange) {
      EXPECT_EQ(optionError, std::nullopt);
      EXPECT_NE(byOption, AppSettings{});
      ASSERT_TRUE(reading.settings);
      EXPECT_EQ(*reading.settings, byOption);
    } else {
      ASSERT_TRUE(optionError);
      EXPECT_NE(optionError->find(c.cliRefusal), std::string::npos) << *optionError;
      EXPECT_EQ(reading.settings, std::nullopt);
      EXPECT_EQ(reading.refusal, c.dialogRefusal);
      EXPECT_EQ(reading.refusedSetting, std::string_view(row.name));
    }
  }
  EXPECT_NE(SettingOptionsHelp().find(", 1 to 20 (TuneScatter)\n"), std::string::npos);
  EXPECT_NE(SettingOptionsHelp().find(", 0.01 to 1 (DeltaImpulse)\n"), std::string::npos);
}

}  // namespace
}  // namespace varnetta
