#include "settings/SettingsForm.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace varnetta {
namespace {

const std::string kNotAnInteger = "Введите целое число.";
const std::string kOutOfRange = "Введите целое число от 1 до 20.";
const std::string kDecimalOutOfRange = "Введите число от 0,01 до 1.";

SettingsForm AcceptableForm() { return FormFromSettings(AppSettings{}); }

TEST(SettingsForm, ShowsTheSettingsAsTheyAre) {
  AppSettings settings;
  settings.UseLongBinFormat = 1;
  settings.FrontAnalyse = 0;
  settings.TuneScatter = 50;
  settings.DeltaImpulseText = "abc";
  const SettingsForm form = FormFromSettings(settings);
  EXPECT_TRUE(form["UseLongBinFormat"].checked);
  EXPECT_FALSE(form["FrontAnalyse"].checked);
  EXPECT_TRUE(form["FrontAliasing"].checked);
  EXPECT_EQ(form["TuneScatter"].text, "50");
  EXPECT_EQ(form["DeltaImpulse"].text, "abc");

  settings.TuneScatter = -3;
  EXPECT_EQ(FormFromSettings(settings)["TuneScatter"].text, "-3");
}

TEST(SettingsForm, EachCheckMarkReachesItsOwnFlag) {
  struct Row {
    const char* name;
    std::int32_t AppSettings::*flag;
  };
  const Row rows[] = {
      {"UseLongBinFormat", &AppSettings::UseLongBinFormat},
      {"FrontAnalyse", &AppSettings::FrontAnalyse},
      {"FrontAliasing", &AppSettings::FrontAliasing},
      {"FrontLevels", &AppSettings::FrontLevels},
      {"IgnoreCRC", &AppSettings::IgnoreCRC},
      {"StoreWorkLog", &AppSettings::StoreWorkLog},
      {"MultiFile", &AppSettings::MultiFile},
      {"IgnoreErrors", &AppSettings::IgnoreErrors},
  };
  for (const Row& only : rows) {
    SCOPED_TRACE(only.name);
    SettingsForm form = AcceptableForm();
    for (const Row& row : rows) form[row.name].checked = false;
    form[only.name].checked = true;
    const SettingsFormReading reading = ReadSettingsForm(form);
    ASSERT_TRUE(reading.settings);
    for (const Row& row : rows) {
      EXPECT_EQ((*reading.settings).*row.flag, &row == &only ? 1 : 0) << row.name;
    }
    EXPECT_EQ(FormFromSettings(*reading.settings), form);
  }
}

TEST(SettingsForm, ReadsTuneScatterAsALeadingInteger) {
  struct Row {
    std::string text;
    int accepted;  // TuneScatter when not refused
    const std::string* refusal;
  };
  const Row rows[] = {
      {"5", 5, nullptr},
      {"5abc", 5, nullptr},
      {"  7", 7, nullptr},
      {"+1", 1, nullptr},
      {"20", 20, nullptr},
      {"020", 20, nullptr},
      {"", 0, &kNotAnInteger},
      {"abc", 0, &kNotAnInteger},
      {"-", 0, &kNotAnInteger},
      {"0", 0, &kOutOfRange},
      {"21", 0, &kOutOfRange},
      {"-1", 0, &kOutOfRange},
      {"99999999999", 0, &kOutOfRange},
      // Only the first 63 characters are read.
      {std::string(62, ' ') + "5", 5, nullptr},
      {std::string(62, ' ') + "15", 1, nullptr},
      {std::string(63, ' ') + "5", 0, &kNotAnInteger},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("\"" + row.text + "\"");
    SettingsForm form = AcceptableForm();
    form["TuneScatter"].text = row.text;
    const SettingsFormReading reading = ReadSettingsForm(form);
    if (row.refusal) {
      EXPECT_FALSE(reading.settings);
      EXPECT_EQ(reading.refusal, *row.refusal);
    } else {
      ASSERT_TRUE(reading.settings);
      EXPECT_EQ(reading.settings->TuneScatter, row.accepted);
      EXPECT_EQ(reading.refusal, "");
    }
  }
}

TEST(SettingsForm, TakesADeltaImpulseTextWhoseValueIsWithinItsRange) {
  struct Row {
    const char* text;
    double value;  // DeltaImpulse when not refused
    bool refused;
  };
  const Row rows[] = {
      {"0.5", 0.5, false},  {"0,5", 0.5, false},   {"0,25x", 0.25, false}, {" 0.3", 0.3, false},
      {"0,01", 0.01, false}, {"1", 1.0, false},    {"abc", 0.0, true},     {"", 0.0, true},
      {"5", 0.0, true},      {"1e308", 0.0, true}, {"1e-320", 0.0, true},  {"0", 0.0, true},
      {"-0.5", 0.0, true},   {"1,01", 0.0, true},  {"nan", 0.0, true},     {"inf", 0.0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    SettingsForm form = AcceptableForm();
    form["DeltaImpulse"].text = row.text;
    const SettingsFormReading reading = ReadSettingsForm(form);
    if (row.refused) {
      EXPECT_FALSE(reading.settings);
      EXPECT_EQ(reading.refusal, kDecimalOutOfRange);
    } else {
      ASSERT_TRUE(reading.settings);
      EXPECT_EQ(reading.settings->DeltaImpulseText, row.text);
      EXPECT_DOUBLE_EQ(reading.settings->DeltaImpulse, row.value);
    }
  }
}

TEST(SettingsForm, NamesTheSettingItRefusesAndRefusesTuneScatterFirst) {
  struct Row {
    const char* name;
    const char* tuneScatter;
    const char* deltaImpulse;
    const std::string* refusal;
    const char* refused;
  };
  const Row rows[] = {
      {"TuneScatter", "0", "0.3", &kOutOfRange, "TuneScatter"},
      {"DeltaImpulse", "3", "5", &kDecimalOutOfRange, "DeltaImpulse"},
      {"both", "abc", "5", &kNotAnInteger, "TuneScatter"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SettingsForm form = AcceptableForm();
    form["TuneScatter"].text = row.tuneScatter;
    form["DeltaImpulse"].text = row.deltaImpulse;
    const SettingsFormReading reading = ReadSettingsForm(form);
    EXPECT_FALSE(reading.settings);
    EXPECT_EQ(reading.refusal, *row.refusal);
    EXPECT_EQ(reading.refusedSetting, std::string_view(row.refused));
  }
}

TEST(SettingsForm, UnchangedDefaultsReadBackAsTheDefaults) {
  const SettingsFormReading reading = ReadSettingsForm(AcceptableForm());
  ASSERT_TRUE(reading.settings);
  EXPECT_EQ(*reading.settings, AppSettings{});
}

}  // namespace
}  // namespace varnetta
