#pragma once

#include <cstdint>

#include "tape/DecodingState.h"
#include "tape/ImpulseTolerances.h"

namespace varnetta::testing {

// The tolerances of the default settings: DeltaImpulse 0.3, TuneScatter 3.
inline ImpulseTolerances DefaultTolerances() { return ImpulseTolerances(0.3, 3); }

// A decoding state at position, with the tracked period and polarity given
// and nothing averaged.
inline DecodingState StateAt(std::int32_t position, double period = 0.0, bool inverse = false) {
  DecodingState state;
  state.position = position;
  state.period = period;
  state.inverse = inverse;
  return state;
}

}  // namespace varnetta::testing
