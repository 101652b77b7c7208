#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/AppSettings.h"

namespace varnetta {

// Applies `--set Name=Value` with a stored value name, in any case as the
// store reads it, and its text form:
// flags take Yes/No (or 1/0, in any case), TuneScatter a whole number,
// DeltaImpulse a decimal number with '.' or ',', each number within the range
// of its row. Returns an error text for a name or value that is not one of
// these.
std::optional<std::string> ApplySetting(AppSettings& settings, std::string_view name, std::string_view value);

// The friendly long options of the settings table: one pair per flag, such
// as "--multi-file" and "--single-file", and one option taking a value for
// each other setting, such as "--tune-scatter N". ApplySettingOption returns
// an error text for a bad value.
bool IsSettingOption(std::string_view option);
bool SettingOptionTakesValue(std::string_view option);
std::optional<std::string> ApplySettingOption(AppSettings& settings, std::string_view option, std::string_view value);

// One line per friendly option, for the help text.
std::string SettingOptionsHelp();

}  // namespace varnetta
