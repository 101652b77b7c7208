#pragma once

#include <array>
#include <cstdint>

#include "tape/TapeFormat.h"

namespace varnetta {

// Where a parser stands in the signal under analysis and what it has measured
// of it. One value, so that a parser can take over the state another ended with.
struct DecodingState {
  std::int32_t position = 0;  // the sample index the next operation starts at
  bool inverse = false;       // impulses start on the low side
  double period = 0.0;        // the moving average of the last impulse lengths
  double level = 0.0;         // the level parser's threshold: the signal's mean
  std::array<std::int32_t, kAveragedImpulses> history{};  // the averaged lengths; 0 marks an empty slot
  std::int32_t historyIndex = 0;                          // the slot written next
  std::int32_t lastLength = 0;                            // the impulse a sequence search examined last

  bool operator==(const DecodingState&) const = default;
};

}  // namespace varnetta
