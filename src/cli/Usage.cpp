#include "cli/Usage.h"

#include <cstdio>

namespace varnetta {

OptionWithValue SplitOption(std::string_view argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string_view::npos) return {argument, std::nullopt};
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

bool TakeNextValue(int argc, char** argv, int& i, OptionWithValue& option) {
  if (i + 1 >= argc) return false;
  option.value = argv[++i];
  return true;
}

void ReportUsageError(std::string_view message) {
  std::fprintf(stderr, "varnetta-cli: %.*s\nTry 'varnetta-cli --help' for more information.\n",
               static_cast<int>(message.size()), message.data());
}

}  // namespace varnetta
