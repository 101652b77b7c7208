#pragma once

#include <cstdint>

namespace varnetta {

// The bounds of the impulse length classes, as ratios of a length to the
// tracked period, for the tolerance factor a. Written out as the classes are
// defined, so that every bound is the same double wherever it is compared.
struct ClassBounds {
  double zero;            // 1 - a: shorter impulses are too short
  double one;             // 1 + a: a 0-bit's data impulse below it, a 1-bit's from it on
  double marker;          // 2 + 2a
  double finish;          // 4 + 4a
  double markerHalfWave;  // 2 - 2a: the first marker's half-wave lies from here up to `marker`

  explicit ClassBounds(double a)
      : zero(1.0 - a), one(1.0 + a), marker(2.0 + 2.0 * a), finish(4.0 + 4.0 * a), markerHalfWave(2.0 - 2.0 * a) {}
};

// How far the impulses of a recording may stray: the class bounds for the
// tolerance factor, and how many samples neighbouring impulses of a sequence
// may differ by. Computed once per recording and handed to the parsers.
struct ImpulseTolerances {
  ImpulseTolerances(double deltaImpulse, std::int32_t scatter) : bounds(deltaImpulse), tuneScatter(scatter) {}

  ClassBounds bounds;
  std::int32_t tuneScatter;
};

}  // namespace varnetta
