#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppSettings.h"

namespace varnetta {

// What one control of the settings dialog holds: a flag's check box its mark,
// the edit of any other setting its text.
struct FormValue {
  bool checked = false;
  std::string text;

  bool operator==(const FormValue&) const = default;
};

// What the settings dialog's controls hold, one value per row of the settings
// table, reached by the setting's stored name.
class SettingsForm {
 public:
  // Every box unchecked, every edit empty.
  SettingsForm();

  // The name must be one of the table's (std::invalid_argument otherwise).
  FormValue& operator[](std::string_view name);
  const FormValue& operator[](std::string_view name) const;

  bool operator==(const SettingsForm&) const = default;

 private:
  std::vector<FormValue> values_;  // in the order of the table
};

// How many characters of a whole number's edit text are read.
inline constexpr std::size_t kWholeNumberReadLength = 63;

// The controls as they show the settings when the dialog opens.
SettingsForm FormFromSettings(const AppSettings& settings);

// The outcome of OK: either the complete settings to store, or the one
// message that refuses the form and the setting whose control it refuses
// (and then nothing is to be stored).
struct SettingsFormReading {
  std::optional<AppSettings> settings;
  std::string refusal;
  const char* refusedSetting = nullptr;  // its stored name
};

// Reads every control into its setting and stops at the first refusal: a
// whole number's text must begin with an integer within the row's range, a
// decimal's text must have a value within it. A decimal keeps its text as
// typed, and its value is that of the text.
SettingsFormReading ReadSettingsForm(const SettingsForm& form);

}  // namespace varnetta
