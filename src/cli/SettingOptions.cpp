#include "cli/SettingOptions.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "common/TextFormat.h"

namespace varnetta {

namespace {

struct FlagOption {
  const char* on;
  const char* off;
  const char* name;
  std::int32_t AppSettings::*field;
  const char* help;
};

constexpr FlagOption kFlags[] = {
    {"--long-bin", "--short-bin", "UseLongBinFormat", &AppSettings::UseLongBinFormat,
     "write .bin files in the long layout (with the tape name and checksum)"},
    {"--fronts", "--no-fronts", "FrontAnalyse", &AppSettings::FrontAnalyse,
     "also analyse the rises and falls of the signal (its derivative)"},
    {"--smoothing", "--no-smoothing", "FrontAliasing", &AppSettings::FrontAliasing,
     "smooth the derivative before analysing it"},
    {"--levels-on-fronts", "--no-levels-on-fronts", "FrontLevels", &AppSettings::FrontLevels,
     "repeat the amplitude-level analysis on the derivative"},
    {"--ignore-crc", "--no-ignore-crc", "IgnoreCRC", &AppSettings::IgnoreCRC,
     "save files whose checksum does not match (suffix _BadCRC)"},
    {"--ignore-errors", "--no-ignore-errors", "IgnoreErrors", &AppSettings::IgnoreErrors,
     "save what was read in spite of recognition errors (suffix _BADRecognize)"},
    {"--store-work-log", "--no-store-work-log", "StoreWorkLog", &AppSettings::StoreWorkLog,
     "also append the work log to !processing.log beside the recording"},
    {"--multi-file", "--single-file", "MultiFile", &AppSettings::MultiFile,
     "treat a recording as holding several tape files"},
};

constexpr const char* kTuneScatterOption = "--tune-scatter";
constexpr const char* kDeltaImpulseOption = "--delta-impulse";
constexpr std::int32_t kTuneScatterMin = 1;
constexpr std::int32_t kTuneScatterMax = 20;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string> SetFlag(AppSettings& settings, const FlagOption& flag, std::string_view value) {
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

std::optional<std::string> SetDeltaImpulse(AppSettings& settings, std::string_view value) {
  std::string dotted(value);
  for (char& c : dotted) {
    if (c == ',') c = '.';
  }
  double number = 0.0;
  const auto [end, error] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), number);
  if (error != std::errc() || end != dotted.data() + dotted.size() || !std::isfinite(number) || number <= 0.0) {
    return FormatText("invalid value '%.*s' for DeltaImpulse: expected a positive decimal number such as 0.3",
                      static_cast<int>(value.size()), value.data());
  }
  settings.DeltaImpulseText = std::string(value);
  settings.DeltaImpulse = ParseDeltaImpulse(value);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ApplySetting(AppSettings& settings, std::string_view name, std::string_view value) {
  for (const FlagOption& flag : kFlags) {
    if (name == flag.name) return SetFlag(settings, flag, value);
  }
  if (name == "TuneScatter") return SetTuneScatter(settings, value);
  if (name == "DeltaImpulse") return SetDeltaImpulse(settings, value);
  return FormatText("unknown setting '%.*s'", static_cast<int>(name.size()), name.data());
}

bool IsSettingOption(std::string_view option) {
  for (const FlagOption& flag : kFlags) {
    if (option == flag.on || option == flag.off) return true;
  }
  return SettingOptionTakesValue(option);
}

bool SettingOptionTakesValue(std::string_view option) {
  return option == kTuneScatterOption || option == kDeltaImpulseOption;
}

std::optional<std::string> ApplySettingOption(AppSettings& settings, std::string_view option,
                                              std::string_view value) {
  for (const FlagOption& flag : kFlags) {
    if (option == flag.on) return SetFlag(settings, flag, "Yes");
    if (option == flag.off) return SetFlag(settings, flag, "No");
  }
  if (option == kTuneScatterOption) return SetTuneScatter(settings, value);
  if (option == kDeltaImpulseOption) return SetDeltaImpulse(settings, value);
  return FormatText("unknown option '%.*s'", static_cast<int>(option.size()), option.data());
}

std::string SettingOptionsHelp() {
  std::string help;
  for (const FlagOption& flag : kFlags) {
    help += FormatText("  %s, %s\n      %s (%s)\n", flag.on, flag.off, flag.help, flag.name);
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
