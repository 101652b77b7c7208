#include "cli/SettingOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <span>

#include "common/TextFormat.h"
#include "settings/NumberText.h"
#include "settings/SettingsTable.h"
#include "settings/SettingsText.h"

namespace varnetta {

namespace {

std::optional<std::string> SetFlag(AppSettings& settings, const SettingRow& row, std::string_view value) {
  if (EqualsIgnoringCase(value, "yes") || value == "1") {
    settings.*row.fields.number = 1;
  } else if (EqualsIgnoringCase(value, "no") || value == "0") {
    settings.*row.fields.number = 0;
  } else {
    return FormatText("invalid value '%.*s' for %s: expected Yes or No", static_cast<int>(value.size()),
                      value.data(), row.name);
  }
  return std::nullopt;
}

// The refusal of a value that is not a `kind` within the row's range.
std::string Refusal(const SettingRow& row, std::string_view value, const char* kind) {
  return FormatText("invalid value '%.*s' for %s: expected %s %s", static_cast<int>(value.size()), value.data(),
                    row.name, kind, FormatRange(row.range, "from %s to %s", '.').c_str());
}

std::optional<std::string> SetWholeNumber(AppSettings& settings, const SettingRow& row, std::string_view value) {
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size() || !row.range.Contains(number)) {
    return Refusal(row, value, "a whole number");
  }
  settings.*row.fields.number = number;
  return std::nullopt;
}

// The value of what a user may type for a decimal: one number and nothing
// else. A stored text may lead with blanks or a '+', or trail off into other
// characters; typed here, those are mistakes.
std::optional<double> PlainDecimal(std::string_view text) {
  if (!text.empty() && (IsBlank(text.front()) || text.front() == '+')) return std::nullopt;
  const DecimalReading reading = ReadLeadingDecimal(text);
  if (reading.length == 0 || reading.length != text.size()) return std::nullopt;
  return reading.value;
}

std::optional<std::string> SetDecimal(AppSettings& settings, const SettingRow& row, std::string_view value) {
  const std::optional<double> number = PlainDecimal(value);
  if (!number || !row.range.Contains(*number)) return Refusal(row, value, "a decimal number");
  SetDecimalText(row, std::string(value), settings);
  return std::nullopt;
}

std::optional<std::string> SetFromText(AppSettings& settings, const SettingRow& row, std::string_view value) {
  switch (row.kind) {
    case SettingKind::Flag: return SetFlag(settings, row, value);
    case SettingKind::WholeNumber: return SetWholeNumber(settings, row, value);
    case SettingKind::Decimal: return SetDecimal(settings, row, value);
  }
  return std::nullopt;
}

bool IsOffOption(const SettingRow& row, std::string_view option) {
  return row.cli.offOption != nullptr && option == row.cli.offOption;
}

// The row of a friendly option; nullptr when it is none.
const SettingRow* RowOfOption(std::string_view option) {
  const std::span<const SettingRow> rows = SettingRows();
  const auto row = std::find_if(rows.begin(), rows.end(), [&](const SettingRow& r) {
    return option == r.cli.option || IsOffOption(r, option);
  });
  return row == rows.end() ? nullptr : &*row;
}

std::string OptionHelp(const SettingRow& row) {
  switch (row.kind) {
    case SettingKind::Flag:
      return FormatText("  %s, %s\n      %s (%s)\n", row.cli.option, row.cli.offOption, row.cli.help, row.name);
    case SettingKind::WholeNumber:
    case SettingKind::Decimal:
      return FormatText("  %s %s\n      %s, %s (%s)\n", row.cli.option, row.cli.valueName, row.cli.help,
                        FormatRange(row.range, "%s to %s", '.').c_str(), row.name);
  }
  return {};
}

}  // namespace

std::optional<std::string> ApplySetting(AppSettings& settings, std::string_view name, std::string_view value) {
  const SettingRow* row = FindSetting(name);
  if (row == nullptr) return FormatText("unknown setting '%.*s'", static_cast<int>(name.size()), name.data());
  return SetFromText(settings, *row, value);
}

bool IsSettingOption(std::string_view option) { return RowOfOption(option) != nullptr; }

bool SettingOptionTakesValue(std::string_view option) {
  const SettingRow* row = RowOfOption(option);
  return row != nullptr && row->kind != SettingKind::Flag;
}

std::optional<std::string> ApplySettingOption(AppSettings& settings, std::string_view option,
                                              std::string_view value) {
  const SettingRow* row = RowOfOption(option);
  if (row == nullptr) return FormatText("unknown option '%.*s'", static_cast<int>(option.size()), option.data());
  if (row->kind == SettingKind::Flag) {
    settings.*row->fields.number = IsOffOption(*row, option) ? 0 : 1;
    return std::nullopt;
  }
  return SetFromText(settings, *row, value);
}

std::string SettingOptionsHelp() {
  std::string help;
  for (const SettingRow& row : SettingRows()) help += OptionHelp(row);
  help += "  --set Name=Value\n      set a setting by its stored name, in any case: Yes/No for flags, a number "
          "otherwise\n";
  return help;
}

}  // namespace varnetta
