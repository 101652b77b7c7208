#pragma once

// The sample loops of the two parsers. Each parser describes the two sides
// of its samples by a small value type with HighEnd and LowEnd (the first
// index from i on that is not of that side, or n); the impulse and marker
// searches are written once over those. Everything here is inline and free
// of allocation and virtual calls, since it runs once per sample.

#include <algorithm>
#include <bit>
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

// The samples of a 64-sample word (bit k for sample base + k) at which a low
// run ends (LowEnd stops there) and at which a high run ends. Bits at or past
// the end of the signal are clear.
struct RunEndBits {
  std::uint64_t lowEnds;
  std::uint64_t highEnds;
};

// The bits of the word at base for which test(i) holds, for i < n. A whole
// word is a loop of fixed length, which the compiler turns into vector
// compares.
template <class Test>
[[gnu::always_inline]] inline std::uint64_t WordBits(std::size_t base, std::size_t n, Test test) {
  std::uint64_t bits = 0;
  if (n - base >= 64) {
    for (std::size_t k = 0; k < 64; ++k) bits |= std::uint64_t{test(base + k)} << k;
    return bits;
  }
  for (std::size_t k = 0; k < n - base; ++k) bits |= std::uint64_t{test(base + k)} << k;
  return bits;
}

// The bits 0 .. count - 1.
inline std::uint64_t BitsBelow(std::size_t count) {
  return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// The amplitude parser's sides: high at or above level, low otherwise. A NaN
// sample is low, so that every sample has exactly one side and every run
// advances.
struct AmpSides {
  const double* samples;
  double level;

  [[gnu::always_inline]] RunEndBits EndBits(std::size_t base, std::size_t n) const {
    const std::uint64_t high = WordBits(base, n, [this](std::size_t i) { return samples[i] >= level; });
    return {high, ~high & BitsBelow(n - base)};
  }

  std::size_t HighEnd(std::size_t i, std::size_t n) const {
    while (i < n && samples[i] >= level) ++i;
    return i;
  }
  std::size_t LowEnd(std::size_t i, std::size_t n) const {
    while (i < n && !(samples[i] >= level)) ++i;
    return i;
  }
};

// The edge parser's sides: high is every sample that is not a falling step,
// low every sample that is not a rising step, so a flat sample extends
// either run.
// Index 0 has no predecessor and is never a step: it belongs to any run.
struct FrontSides {
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

  [[gnu::always_inline]] RunEndBits EndBits(std::size_t base, std::size_t n) const {
    if (base == 0) {
      // Sample 0 compared with itself is neither step.
      const auto previous = [this](std::size_t i) { return samples[i == 0 ? 0 : i - 1]; };
      return {WordBits(base, n, [&](std::size_t i) { return samples[i] > previous(i); }),
              WordBits(base, n, [&](std::size_t i) { return previous(i) > samples[i]; })};
    }
    return {WordBits(base, n, [this](std::size_t i) { return samples[i] > samples[i - 1]; }),
            WordBits(base, n, [this](std::size_t i) { return samples[i - 1] > samples[i]; })};
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

// Calls onImpulse(length, end) for the impulses that follow one ending at
// `from`, in order, while it returns true, as NextImpulse would measure them
// one after another; but a word of samples at a time, with no branch on the
// run lengths, which in noise are short and unpredictable.
//
// An impulse that starts where the last one ended ends at the first sample
// after it at which a first-side run ends (a low run; a high one when
// inverse) such that the run end before it, of either kind, ended a run of
// the other side. Whether that holds is carried from bit to bit like the
// carry of an addition: generated by the other side's run ends, propagated by
// samples at which no run ends (flat edges).
template <class Sides, class OnImpulse>
[[gnu::always_inline]] inline void ForEachImpulseAfter(const Sides& sides, std::size_t from, std::size_t n, bool inverse,
                                                       OnImpulse onImpulse) {
  std::size_t last = from;
  std::uint64_t carry = 0;  // `from` ends a first-side run, so it carries nothing
  for (std::size_t base = from - from % 64; base < n; base += 64) {
    const RunEndBits bits = sides.EndBits(base, n);
    const std::uint64_t first = inverse ? bits.highEnds : bits.lowEnds;
    const std::uint64_t other = inverse ? bits.lowEnds : bits.highEnds;
    const std::uint64_t passing = other | ~(first | other);
    const std::uint64_t partial = passing + other;
    const std::uint64_t sum = partial + carry;
    const std::uint64_t carriedIn = sum ^ passing ^ other;
    carry = (partial < passing || sum < partial) ? 1 : 0;
    std::uint64_t ends = first & carriedIn;
    if (base <= from) ends &= ~BitsBelow(from - base + 1);
    for (; ends != 0; ends &= ends - 1) {
      const std::size_t end = base + static_cast<std::size_t>(std::countr_zero(ends));
      if (!onImpulse(end - last, end)) return;
      last = end;
    }
  }
}

// Follows the regularity of consecutive impulses as FindSequence does, but
// without the average: where the last irregular impulse ended, and whether
// minCount regular impulses have followed it.
struct RegularityTracker {
  std::int64_t lastLength;
  std::int64_t tuneScatter;
  std::int64_t minCount;
  std::int64_t count = 0;
  bool sawIrregular = false;
  std::size_t irregularEnd = 0;
  std::int64_t irregularLength = 0;

  // False once the run of regular impulses is long enough. Masks rather than
  // branches: in noise, regular and irregular impulses alternate at random.
  bool Add(std::size_t length, std::size_t end) {
    const auto impulse = static_cast<std::int64_t>(length);
    const std::int64_t scatter = impulse - lastLength;
    const bool irregular = (scatter < 0 ? -scatter : scatter) > tuneScatter;
    const std::uint64_t all = 0 - static_cast<std::uint64_t>(irregular);  // every bit when irregular
    lastLength = impulse;
    count = static_cast<std::int64_t>(static_cast<std::uint64_t>(count + 1) & ~all);
    irregularEnd ^= (irregularEnd ^ end) & all;
    irregularLength ^= (irregularLength ^ impulse) & static_cast<std::int64_t>(all);
    sawIrregular = sawIrregular || irregular;
    return count < minCount;
  }
};

// Feeds the tracker the impulses that follow one ending at `from`, as
// ForEachImpulseAfter measures them, until it has seen enough; compiled for
// the widest vector unit the processor has.
void TrackRegularity(const AmpSides& sides, std::size_t from, std::size_t n, bool inverse,
                     RegularityTracker& tracker);
void TrackRegularity(const FrontSides& sides, std::size_t from, std::size_t n, bool inverse,
                     RegularityTracker& tracker);

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
