#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/TextFormat.h"

namespace varnetta {

inline constexpr int kExitUsage = 2;

// "--name=value" split at the first '='; a plain "--name" has no value.
struct OptionWithValue {
  std::string_view name;
  std::optional<std::string_view> value;
};
OptionWithValue SplitOption(std::string_view argument);

// Takes argv[i + 1] as the option's value; false when there is none.
bool TakeNextValue(int argc, char** argv, int& i, OptionWithValue& option);

// Prints "varnetta-cli: <message>" and a pointer to --help on standard error.
void ReportUsageError(std::string_view message);

}  // namespace varnetta
