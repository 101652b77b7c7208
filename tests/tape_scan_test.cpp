// The word-at-a-time impulse scan and the search for regular runs built on it
// must measure exactly what the parsers' impulse-by-impulse reading measures;
// these compare the two on random signals full of the cases that tell them
// apart: flat and tied samples, NaNs, word boundaries, both polarities.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "support/ParserSettings.h"
#include "support/TapeSignals.h"
#include "tape/ImpulseRuns.h"
#include "tape/WaveParserAmp.h"
#include "tape/WaveParserFront.h"

namespace varnetta {
namespace {

using testing::DefaultTolerances;
using testing::SquareRuns;
using testing::StateAt;
using testing::TriangleRuns;

enum class Family { Noise, Steps, TonesInNoise };

// Run lengths: stretches of regular impulses of one length, with some
// scatter, between stretches of random lengths.
std::vector<std::int32_t> RandomRuns(std::mt19937& random, std::size_t samples) {
  std::vector<std::int32_t> runs;
  std::size_t total = 0;
  while (total < samples) {
    const bool regular = random() % 2 == 0;
    const auto count = static_cast<std::int32_t>(regular ? 1 + random() % 120 : 1 + random() % 40);
    const auto base = static_cast<std::int32_t>(2 + random() % 10);
    for (std::int32_t i = 0; i < 2 * count; ++i) {
      const auto run =
          regular ? base + static_cast<std::int32_t>(random() % 2) : static_cast<std::int32_t>(1 + random() % 30);
      runs.push_back(run);
      total += static_cast<std::size_t>(run);
    }
  }
  return runs;
}

Signal RandomSignal(Family family, bool edges, std::uint32_t seed) {
  std::mt19937 random(seed);
  const std::size_t samples = 200 + random() % 3000;
  Signal signal;
  if (family == Family::TonesInNoise) {
    signal = edges ? TriangleRuns(RandomRuns(random, samples)) : SquareRuns(RandomRuns(random, samples));
    for (double& sample : signal) {
      if (random() % 4 == 0) sample += static_cast<double>(random() % 3) - 1.0;
    }
  } else {
    for (std::size_t i = 0; i < samples; ++i) {
      // Steps: few values, so that neighbours and the level are often equal.
      signal.push_back(family == Family::Steps ? static_cast<double>(random() % 3) - 1.0
                                               : static_cast<double>(random()) / 4294967295.0 - 0.5);
    }
  }
  for (double& sample : signal) {
    if (random() % 97 == 0) sample = std::numeric_limits<double>::quiet_NaN();
  }
  return signal;
}

struct Impulse {
  std::size_t length;
  std::size_t end;
  bool operator==(const Impulse&) const = default;
};

std::vector<Impulse> ImpulsesOneByOne(const CWaveParserProto& parser, SignalView signal, std::int32_t from) {
  std::vector<Impulse> impulses;
  std::int32_t cursor = from;
  for (std::int32_t length = parser.NextImpulse(signal, cursor); length >= 0;
       length = parser.NextImpulse(signal, cursor)) {
    impulses.push_back({static_cast<std::size_t>(length), static_cast<std::size_t>(cursor)});
  }
  return impulses;
}

template <class Sides>
std::vector<Impulse> ImpulsesByWords(const Sides& sides, std::size_t from, std::size_t n, bool inverse) {
  std::vector<Impulse> impulses;
  impulse_runs::ForEachImpulseAfter(sides, from, n, inverse, [&](std::size_t length, std::size_t end) {
    impulses.push_back({length, end});
    return true;
  });
  return impulses;
}

TEST(ImpulseScan, MeasuresWhatNextImpulseMeasures) {
  for (const Family family : {Family::Noise, Family::Steps, Family::TonesInNoise}) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
      for (const bool inverse : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "family " << static_cast<int>(family) << " seed " << seed
                                          << " inverse " << inverse);
        CWaveParserAmp amp(DefaultTolerances());
        CWaveParserFront front(DefaultTolerances());
        DecodingState state = StateAt(0, 0.0, inverse);
        front.SetState(state);
        state.level = family == Family::Noise ? 0.1 : 0.0;
        amp.SetState(state);
        const Signal levelSignal = RandomSignal(family, false, seed);
        const Signal edgeSignal = RandomSignal(family, true, seed);

        // The scan goes on from the end of an impulse: take the first one's.
        const std::int32_t from = static_cast<std::int32_t>(seed % 130);
        std::vector<Impulse> levels = ImpulsesOneByOne(amp, levelSignal, from);
        std::vector<Impulse> edges = ImpulsesOneByOne(front, edgeSignal, from);
        ASSERT_GT(levels.size(), 2u);
        ASSERT_GT(edges.size(), 2u);
        const std::size_t levelFrom = levels.front().end;
        const std::size_t edgeFrom = edges.front().end;
        levels.erase(levels.begin());
        edges.erase(edges.begin());
        EXPECT_EQ(ImpulsesByWords(impulse_runs::AmpSides{levelSignal.data(), state.level}, levelFrom,
                                  levelSignal.size(), inverse),
                  levels);
        EXPECT_EQ(ImpulsesByWords(impulse_runs::FrontSides{edgeSignal.data()}, edgeFrom, edgeSignal.size(), inverse),
                  edges);
      }
    }
  }
}

TEST(ImpulseScan, StopsWhenAsked) {
  const Signal signal = SquareRuns(testing::ImpulseRuns(4, 100));
  std::size_t seen = 0;
  impulse_runs::ForEachImpulseAfter(impulse_runs::AmpSides{signal.data(), 0.0}, 1, signal.size(), false,
                                    [&](std::size_t length, std::size_t) {
                                      EXPECT_EQ(length, 4u);
                                      return ++seen < 30;
                                    });
  EXPECT_EQ(seen, 30u);
}

// The search for a run of regular impulses as one reads it: impulse by
// impulse, the average kept all along.
struct SequenceOutcome {
  bool found = false;
  std::int32_t start = -1;
  std::int32_t length = -1;
  DecodingState state;
  bool operator==(const SequenceOutcome&) const = default;
};

// The parser measures the impulses and keeps the average; the reading goes
// on in a state of its own.
SequenceOutcome FindSequenceOneByOne(CWaveParserProto& parser, SignalView signal, std::int32_t minCount,
                                     bool restoreOnEnd, std::int32_t tuneScatter) {
  DecodingState state = parser.State();
  const auto push = [&](std::int32_t impulse) {
    parser.SetState(state);
    parser.PushLength(impulse);
    state = parser.State();
  };
  const auto n = static_cast<std::int32_t>(signal.size());
  std::int32_t count = 0;
  bool found = false;
  std::int32_t runStart = state.position;
  std::int32_t foundStart = 0;
  while (state.position < n) {
    const std::int32_t before = state.position;
    const std::int32_t impulse = parser.NextImpulse(signal, state.position);
    if (impulse < 0) {
      if (restoreOnEnd) state.position = before;
      return {false, -1, -1, state};
    }
    if (std::abs(impulse - state.lastLength) > tuneScatter) {
      if (found) {
        state.position = before;
        return {true, foundStart, before - foundStart, state};
      }
      count = 0;
      state.period = 0.0;
      state.history.fill(0);
      state.historyIndex = 0;
      runStart = state.position;
    } else {
      push(impulse);
      if (++count >= minCount && !found) {
        found = true;
        foundStart = runStart;
      }
    }
    state.lastLength = impulse;
  }
  return {false, -1, -1, state};
}

TEST(FindSequence, SameAsReadingImpulseByImpulse) {
  struct Parameters {
    std::int32_t minCount;
    std::int32_t tuneScatter;
  };
  const Parameters parameterSets[] = {{1, 0}, {7, 1}, {7, 3}, {40, 1}, {40, 3}, {2048, 3}, {7, -1}};
  for (const Family family : {Family::Noise, Family::Steps, Family::TonesInNoise}) {
    for (std::uint32_t seed = 1; seed <= 25; ++seed) {
      for (const Parameters& parameters : parameterSets) {
        for (const bool edges : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "family " << static_cast<int>(family) << " seed " << seed << " min "
                                            << parameters.minCount << " scatter " << parameters.tuneScatter
                                            << (edges ? " edges" : " levels"));
          const ImpulseTolerances tolerances(0.3, parameters.tuneScatter);
          std::unique_ptr<CWaveParserProto> fast;
          std::unique_ptr<CWaveParserProto> reference;
          if (edges) {
            fast = std::make_unique<CWaveParserFront>(tolerances);
            reference = std::make_unique<CWaveParserFront>(tolerances);
          } else {
            fast = std::make_unique<CWaveParserAmp>(tolerances);
            reference = std::make_unique<CWaveParserAmp>(tolerances);
          }
          const Signal signal = RandomSignal(family, edges, seed);
          // Start part-way in a state earlier work left: some average, a last length.
          for (CWaveParserProto* parser : {fast.get(), reference.get()}) {
            DecodingState state = StateAt(static_cast<std::int32_t>(seed * 37 % 200), 0.0, seed % 3 == 0);
            state.lastLength = static_cast<std::int32_t>(seed % 12);
            parser->SetState(state);
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(seed % 40); ++i) parser->PushLength(3 + i % 5);
          }
          const bool restoreOnEnd = seed % 2 == 0;
          const SequenceOutcome expected =
              FindSequenceOneByOne(*reference, signal, parameters.minCount, restoreOnEnd, parameters.tuneScatter);
          std::int32_t start = -1;
          std::int32_t length = -1;
          const bool found = fast->FindSequence(signal, parameters.minCount, restoreOnEnd, start, length);
          EXPECT_EQ((SequenceOutcome{found, start, length, fast->State()}), expected);
        }
      }
    }
  }
}

}  // namespace
}  // namespace varnetta
