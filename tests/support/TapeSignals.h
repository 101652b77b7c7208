#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "common/Signal.h"
#include "tape/TapeFile.h"

namespace varnetta::testing {

// Runs of samples whose lengths both parsers measure alike: for the level
// parser (level 0) alternating runs of +1 and -1, for the edge parser
// alternating rising and falling runs. Both start with the high side at
// sample 1, after a lead-in sample that neither parser counts in an impulse
// (the level parser skips it as low, the edge parser as the first sample,
// which is never a step).
Signal SquareRuns(const std::vector<std::int32_t>& runs);
Signal TriangleRuns(const std::vector<std::int32_t>& runs);
inline constexpr std::int32_t kLeadIn = 1;

// The run lengths of count impulses of the given length, each split into a
// high and a low half (the high half takes the odd sample).
std::vector<std::int32_t> ImpulseRuns(std::int32_t length, std::int32_t count);

// Concatenation of run lists.
std::vector<std::int32_t> Join(std::initializer_list<std::vector<std::int32_t>> parts);

// Deterministic uniform noise in [-amplitude, amplitude] added to every sample.
void AddNoise(Signal& signal, double amplitude, std::uint32_t seed);

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed);

// A tape name from up to 16 bytes, the rest 0.
TapeName NameOf(std::initializer_list<std::uint8_t> bytes);

}  // namespace varnetta::testing
