#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/AppSettings.h"

namespace varnetta {

// What the settings dialog's controls hold: the check marks and the two edit
// texts, named after the settings they show (control ids in the comments).
struct SettingsForm {
  bool useLongBinFormat = false;  // 1009
  bool frontAnalyse = false;      // 1010
  bool frontAliasing = false;     // 1011
  bool frontLevels = false;       // 1012
  std::string tuneScatterText;    // 1014
  bool ignoreCRC = false;         // 1015
  bool storeWorkLog = false;      // 1016
  std::string deltaImpulseText;   // 1018
  bool multiFile = false;         // 1019
  bool ignoreErrors = false;      // 1020

  bool operator==(const SettingsForm&) const = default;
};

// The range OK accepts for TuneScatter; a stored value outside it is shown
// unchanged when the dialog opens.
inline constexpr std::int32_t kTuneScatterMin = 1;
inline constexpr std::int32_t kTuneScatterMax = 20;

// How many characters of the TuneScatter text are read.
inline constexpr std::size_t kTuneScatterReadLength = 63;

// The controls as they show the settings when the dialog opens.
SettingsForm FormFromSettings(const AppSettings& settings);

// The outcome of OK: either the complete settings to store, or the one
// message that refuses the form (and then nothing is to be stored).
struct SettingsFormReading {
  std::optional<AppSettings> settings;
  std::string refusal;
};

// Reads the controls in the dialog's exchange order and stops at the first
// refusal. DeltaImpulse becomes the value of the text as typed.
SettingsFormReading ReadSettingsForm(const SettingsForm& form);

}  // namespace varnetta
