#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/AppSettings.h"

namespace varnetta {

// Applies `--set Name=Value` with a stored value name and its text form:
// flags take Yes/No (or 1/0, in any case), TuneScatter a whole number,
// DeltaImpulse a decimal number with '.' or ','. Returns an error text for a
// name or value that is not one of these.
std::optional<std::string> ApplySetting(AppSettings& settings, std::string_view name, std::string_view value);

// Applies a friendly long option such as "--multi-file" or "--tune-scatter"
// (the latter two take a value). Returns false when `option` is not one.
bool IsSettingOption(std::string_view option);
bool SettingOptionTakesValue(std::string_view option);
std::optional<std::string> ApplySettingOption(AppSettings& settings, std::string_view option, std::string_view value);

// One line per friendly option, for the help text.
std::string SettingOptionsHelp();

}  // namespace varnetta
