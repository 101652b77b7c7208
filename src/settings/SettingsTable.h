#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/AppSettings.h"

namespace varnetta {

// How a setting is held, stored, typed and shown.
enum class SettingKind {
  Flag,         // 0 or 1, stored as No or Yes, shown as a check box
  WholeNumber,  // an integer, stored in decimal, shown in an edit
  Decimal,      // the text as typed plus its value, shown in an edit
};

// The record fields a row sets: a flag or a whole number sets `number`, a
// decimal sets `text` and `value`.
struct SettingFields {
  std::int32_t AppSettings::*number = nullptr;
  std::string AppSettings::*text = nullptr;
  double AppSettings::*value = nullptr;
};

// The values the command line and the dialog accept for a whole number or a
// decimal, bounds included; a stored value outside them is used as it is.
// A whole number's bounds are whole.
struct SettingRange {
  double min = 0.0;
  double max = 0.0;

  // False for NaN.
  bool Contains(double value) const { return value >= min && value <= max; }
};

// The format with its two %s replaced by the bounds of the range, written
// with the decimal separator given: "от %s до %s" and ',' give "от 0,01 до 1".
std::string FormatRange(const SettingRange& range, const char* format, char separator);

// A flag has a pair of options that set it to 1 and to 0; any other setting
// has one option that takes a value, which the help calls valueName.
struct SettingOptionNames {
  const char* option = nullptr;
  const char* offOption = nullptr;  // flags only
  const char* valueName = nullptr;  // all but flags
  const char* help = nullptr;
};

// The dialog control that shows a setting. The id is the widget's object
// name; the label is a check box's own text, or the text above an edit.
struct SettingControl {
  const char* id = nullptr;
  const char* label = nullptr;
  const char* toolTip = nullptr;
};

struct SettingRow {
  const char* name;  // stored under it, and set by --set NAME=VALUE
  SettingKind kind;
  SettingFields fields;
  const char* defaultText;  // as the store writes it
  SettingOptionNames cli;
  SettingRange range{};  // all but flags
  SettingControl control;
};

// Every setting, one row each, in the order they are stored.
std::span<const SettingRow> SettingRows();

// The row stored under the name, compared as the store compares names:
// ASCII letters without regard to case. Nullptr when there is none.
const SettingRow* FindSetting(std::string_view name);

// The row of a name the program itself spells out; throws
// std::invalid_argument for a name that is not in the table.
const SettingRow& SettingNamed(std::string_view name);

// A decimal keeps its text as it is and its value as ParseDeltaImpulse reads it.
void SetDecimalText(const SettingRow& row, std::string text, AppSettings& settings);

}  // namespace varnetta
