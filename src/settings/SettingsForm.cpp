#include "settings/SettingsForm.h"

#include <utility>

#include "common/TextFormat.h"
#include "settings/NumberText.h"
#include "settings/SettingsTable.h"

namespace varnetta {

namespace {

std::size_t RowIndex(std::string_view name) {
  return static_cast<std::size_t>(&SettingNamed(name) - SettingRows().data());
}

FormValue ValueOf(const SettingRow& row, const AppSettings& settings) {
  FormValue value;
  switch (row.kind) {
    case SettingKind::Flag: value.checked = settings.*row.fields.number != 0; break;
    case SettingKind::WholeNumber: value.text = FormatText("%d", settings.*row.fields.number); break;
    case SettingKind::Decimal: value.text = settings.*row.fields.text; break;
  }
  return value;
}

// Sets the row's field from its edit text; the refusal, if it is refused.
std::optional<std::string> ReadWholeNumber(const SettingRow& row, std::string_view text, AppSettings& settings) {
  // Cutting bytes instead of characters reads the same number: everything up
  // to the end of the digits is ASCII, or no integer is read either way.
  const std::optional<std::int32_t> number = ScanLeadingInt(text.substr(0, kWholeNumberReadLength));
  if (!number) return "Введите целое число.";
  if (!row.range.Contains(*number)) return FormatRange(row.range, "Введите целое число от %s до %s.", ',');
  settings.*row.fields.number = *number;
  return std::nullopt;
}

// Keeps the edit text as typed when its value is within the row's range; the
// refusal otherwise, which a text that is no number at all (value 0) meets too.
std::optional<std::string> ReadDecimal(const SettingRow& row, const std::string& text, AppSettings& settings) {
  if (!row.range.Contains(ParseDeltaImpulse(text))) return FormatRange(row.range, "Введите число от %s до %s.", ',');
  SetDecimalText(row, text, settings);
  return std::nullopt;
}

// Sets the row's fields from its control; the refusal, if it is refused.
std::optional<std::string> ReadValue(const SettingRow& row, const FormValue& value, AppSettings& settings) {
  switch (row.kind) {
    case SettingKind::Flag: settings.*row.fields.number = value.checked ? 1 : 0; break;
    case SettingKind::WholeNumber: return ReadWholeNumber(row, value.text, settings);
    case SettingKind::Decimal: return ReadDecimal(row, value.text, settings);
  }
  return std::nullopt;
}

}  // namespace

SettingsForm::SettingsForm() : values_(SettingRows().size()) {}

FormValue& SettingsForm::operator[](std::string_view name) { return values_[RowIndex(name)]; }

const FormValue& SettingsForm::operator[](std::string_view name) const { return values_[RowIndex(name)]; }

SettingsForm FormFromSettings(const AppSettings& settings) {
  SettingsForm form;
  for (const SettingRow& row : SettingRows()) form[row.name] = ValueOf(row, settings);
  return form;
}

SettingsFormReading ReadSettingsForm(const SettingsForm& form) {
  AppSettings settings;
  for (const SettingRow& row : SettingRows()) {
    if (std::optional<std::string> refusal = ReadValue(row, form[row.name], settings)) {
      return {std::nullopt, std::move(*refusal), row.name};
    }
  }
  return {settings, {}};
}

}  // namespace varnetta
