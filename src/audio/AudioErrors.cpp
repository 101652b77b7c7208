#include "audio/AudioErrors.h"

#include <iostream>

namespace varnetta {

std::string SampleTypeWidthMessage(std::int32_t bitDepth) {
  return "ERROR: you are trying to read a " + std::to_string(bitDepth) + "-bit file using a 64-bit sample type";
}

void ReportError(std::string_view message) { std::cerr << message << std::endl; }

bool Refuse(std::string_view message) {
  ReportError(message);
  return false;
}

}  // namespace varnetta
