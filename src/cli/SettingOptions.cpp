#include "cli/SettingOptions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "common/TextFormat.h"
#include "settings/NumberText.h"
#include "settings/SettingsText.h"

namespace varnetta {

namespace {

// The friendly options of the flags, in the order of kSettingsFlags.
struct FlagOption {
  const char* on;
  const char* off;
  const char* help;
};

constexpr FlagOption kFlagOptions[] = {
    {"--long-bin", "--short-bin", "write .bin files in the long layout (with the tape name and checksum)"},
    {"--fronts", "--no-fronts", "also analyse the rises and falls of the signal (its derivative)"},
    {"--smoothing", "--no-smoothing", "smooth the derivative before analysing it"},
    {"--levels-on-fronts", "--no-levels-on-fronts", "repeat the amplitude-level analysis on the derivative"},
    {"--ignore-crc", "--no-ignore-crc", "save files whose checksum does not match (suffix _BadCRC)"},
    {"--ignore-errors", "--no-ignore-errors",
     "save what was read in spite of recognition errors (suffix _BADRecognize)"},
    {"--store-work-log", "--no-store-work-log", "also append the work log to !processing.log beside the recording"},
    {"--multi-file", "--single-file", "treat a recording as holding several tape files"},
};
static_assert(std::size(kFlagOptions) == std::size(kSettingsFlags));

constexpr const char* kTuneScatterOption = "--tune-scatter";
constexpr const char* kDeltaImpulseOption = "--delta-impulse";
constexpr std::int32_t kTuneScatterMin = 1;
constexpr std::int32_t kTuneScatterMax = 20;

std::optional<std::string> SetFlag(AppSettings& settings, const SettingsFlag& flag, std::string_view value) {
  if (EqualsIgnoringCase(value, "yes") || value == "1") {
    settings.*flag.field = 1;
  } else if (EqualsIgnoringCase(value, "no") || value == "0") {
    settings.*flag.field = 0;
  } else {
    return FormatText("invalid value '%.*s' for %s: expected Yes or No", static_cast<int>(value.size()),
                      value.data(), flag.name);
  }
  return std::nullopt;
}

std::optional<std::string> SetTuneScatter(AppSettings& settings, std::string_view value) {
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size() || number < kTuneScatterMin ||
      number > kTuneScatterMax) {
    return FormatText("invalid value '%.*s' for TuneScatter: expected a whole number from %d to %d",
                      static_cast<int>(value.size()), value.data(), kTuneScatterMin, kTuneScatterMax);
  }
  settings.TuneScatter = number;
  return std::nullopt;
}

// What a user may type for DeltaImpulse: one finite positive number and
// nothing else. A stored text may lead with blanks or a '+', or trail off into
// other characters; typed here, those are mistakes.
bool IsPlainPositiveDecimal(std::string_view text) {
  if (!text.empty() && (IsBlank(text.front()) || text.front() == '+')) return false;
  const DecimalReading reading = ReadLeadingDecimal(text);
  return reading.length == text.size() && std::isfinite(reading.value) && reading.value > 0.0;
}

std::optional<std::string> SetDeltaImpulse(AppSettings& settings, std::string_view value) {
  if (!IsPlainPositiveDecimal(value)) {
    return FormatText("invalid value '%.*s' for DeltaImpulse: expected a positive decimal number such as 0.3",
                      static_cast<int>(value.size()), value.data());
  }
  settings.DeltaImpulseText = std::string(value);
  settings.DeltaImpulse = ParseDeltaImpulse(value);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ApplySetting(AppSettings& settings, std::string_view name, std::string_view value) {
  for (const SettingsFlag& flag : kSettingsFlags) {
    if (name == flag.name) return SetFlag(settings, flag, value);
  }
  if (name == kTuneScatterName) return SetTuneScatter(settings, value);
  if (name == kDeltaImpulseName) return SetDeltaImpulse(settings, value);
  return FormatText("unknown setting '%.*s'", static_cast<int>(name.size()), name.data());
}

bool IsSettingOption(std::string_view option) {
  for (const FlagOption& flag : kFlagOptions) {
    if (option == flag.on || option == flag.off) return true;
  }
  return SettingOptionTakesValue(option);
}

bool SettingOptionTakesValue(std::string_view option) {
  return option == kTuneScatterOption || option == kDeltaImpulseOption;
}

std::optional<std::string> ApplySettingOption(AppSettings& settings, std::string_view option,
                                              std::string_view value) {
  for (std::size_t i = 0; i < std::size(kFlagOptions); ++i) {
    if (option == kFlagOptions[i].on) return SetFlag(settings, kSettingsFlags[i], "Yes");
    if (option == kFlagOptions[i].off) return SetFlag(settings, kSettingsFlags[i], "No");
  }
  if (option == kTuneScatterOption) return SetTuneScatter(settings, value);
  if (option == kDeltaImpulseOption) return SetDeltaImpulse(settings, value);
  return FormatText("unknown option '%.*s'", static_cast<int>(option.size()), option.data());
}

std::string SettingOptionsHelp() {
  std::string help;
  for (std::size_t i = 0; i < std::size(kFlagOptions); ++i) {
    const FlagOption& flag = kFlagOptions[i];
    help += FormatText("  %s, %s\n      %s (%s)\n", flag.on, flag.off, flag.help, kSettingsFlags[i].name);
  }
  help += FormatText("  %s N\n      allowed difference in samples between neighbouring tuning impulses, %d to %d "
                     "(TuneScatter)\n",
                     kTuneScatterOption, kTuneScatterMin, kTuneScatterMax);
  help += FormatText("  %s X\n      tolerance factor of impulse lengths, such as 0.3 (DeltaImpulse)\n",
                     kDeltaImpulseOption);
  help += "  --set Name=Value\n      set a setting by its stored name: Yes/No for flags, a number otherwise\n";
  return help;
}

}  // namespace varnetta
