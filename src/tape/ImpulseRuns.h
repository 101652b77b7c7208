#pragma once

// The sample loops of the two parsers. Each parser describes the two sides
// of its samples by a small value type with HighEnd and LowEnd (the first
// index from i on that is not of that side, or n); the impulse and marker
// searches are written once over those. Everything here is inline and free
// of allocation and virtual calls, since it runs once per sample.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/Signal.h"

namespace varnetta::impulse_runs {

// The samples a parser looks at: positions are int32, so never more.
inline std::size_t UsableLength(SignalView signal) {
  return std::min<std::size_t>(signal.size(), static_cast<std::size_t>(kMaxSignalLength));
}

// A position before the first sample reads from the first sample.
inline std::size_t StartIndex(std::int32_t position) {
  return position < 0 ? 0 : static_cast<std::size_t>(position);
}

// Amplitude sides: high at or above level, low otherwise. A NaN sample is
// low, so that every sample has exactly one side and every run advances.
struct LevelSides {
  const double* samples;
  double level;

  std::size_t HighEnd(std::size_t i, std::size_t n) const {
    while (i < n && samples[i] >= level) ++i;
    return i;
  }
  std::size_t LowEnd(std::size_t i, std::size_t n) const {
    while (i < n && !(samples[i] >= level)) ++i;
    return i;
  }
};

// Edge sides: high is every sample that is not a falling step, low every
// sample that is not a rising step, so a flat sample extends either run.
// Index 0 has no predecessor and is never a step: it belongs to any run.
struct EdgeSides {
  const double* samples;

  std::size_t HighEnd(std::size_t i, std::size_t n) const {
    i = std::max<std::size_t>(i, 1);
    while (i < n && !(samples[i - 1] > samples[i])) ++i;
    return i;
  }
  std::size_t LowEnd(std::size_t i, std::size_t n) const {
    i = std::max<std::size_t>(i, 1);
    while (i < n && !(samples[i] > samples[i - 1])) ++i;
    return i;
  }
};

// Where an impulse lies: its first side starts at begin, the impulse ends
// before end. end is n when the signal ends before the impulse is complete
// (an advance that reaches n fails the impulse).
struct ImpulseSpan {
  std::size_t begin;
  std::size_t end;
};

// The impulse measured from i < n: skip to its first side, then a run of
// that side and a run of the other.
template <class Sides>
ImpulseSpan FindImpulse(const Sides& sides, std::size_t i, std::size_t n, bool inverse) {
  if (inverse) {
    const std::size_t begin = sides.HighEnd(i, n);
    return {begin, sides.HighEnd(sides.LowEnd(begin, n), n)};
  }
  const std::size_t begin = sides.LowEnd(i, n);
  return {begin, sides.LowEnd(sides.HighEnd(begin, n), n)};
}

struct MarkerHalfWave {
  std::size_t end;  // first sample after the half-wave
  bool lowSide;
};

// The first half-wave from i on, high and low runs in turn, whose length
// passes isMarker; none when the signal ends within a run first.
template <class Sides, class IsMarker>
std::optional<MarkerHalfWave> FindMarkerHalfWave(const Sides& sides, std::size_t i, std::size_t n,
                                                 IsMarker isMarker) {
  while (i < n) {
    const std::size_t highEnd = sides.HighEnd(i, n);
    if (highEnd == n) return std::nullopt;
    if (isMarker(highEnd - i)) return MarkerHalfWave{highEnd, false};
    i = sides.LowEnd(highEnd, n);
    if (i == n) return std::nullopt;
    if (isMarker(i - highEnd)) return MarkerHalfWave{i, true};
  }
  return std::nullopt;
}

}  // namespace varnetta::impulse_runs
