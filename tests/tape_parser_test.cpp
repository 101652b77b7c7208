#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "support/ParserSettings.h"
#include "support/TapeSignals.h"
#include "tape/TapeSignalWriter.h"
#include "tape/WaveParserAmp.h"
#include "tape/WaveParserFront.h"

namespace varnetta {
namespace {

using testing::DefaultTolerances;
using testing::ImpulseRuns;
using testing::Join;
using testing::kLeadIn;
using testing::SquareRuns;
using testing::StateAt;
using testing::TriangleRuns;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A parser with a signal builder that gives it the run lengths asked for.
struct ParserKind {
  const char* name;
  std::function<std::unique_ptr<CWaveParserProto>(const ImpulseTolerances&)> make;
  std::function<Signal(const std::vector<std::int32_t>&)> runs;
  bool keepsEveryAdvance;  // position at the end of the signal after a failed impulse
};

const ParserKind kParsers[] = {
    {"level", [](const ImpulseTolerances& t) { return std::make_unique<CWaveParserAmp>(t); }, SquareRuns, true},
    {"edge", [](const ImpulseTolerances& t) { return std::make_unique<CWaveParserFront>(t); }, TriangleRuns, false},
};

// Fills the average with 32 lengths, so that T is exactly that length.
void SettlePeriod(CWaveParserProto& parser, std::int32_t length) {
  for (int i = 0; i < 32; ++i) parser.PushLength(length);
}

TEST(AmpNextImpulse, MeasuresRunsAgainstTheLevel) {
  struct Case {
    const char* name;
    Signal samples;
    bool inverse;
    std::int32_t start;
    std::int32_t length;
    std::int32_t position;
  };
  const Case cases[] = {
      {"high then low", {0.5, 0.5, -0.5, -0.5, -0.5, 0.5}, false, 0, 5, 5},
      {"ends inside the low run", {0.5, 0.5, -0.5, -0.5, -0.5, -0.5}, false, 0, -1, 6},
      {"sample on the level is high", {0.0, -1.0, 1.0}, false, 0, 2, 2},
      {"leading low samples skipped", {-1.0, -1.0, 1.0, -1.0, 1.0}, false, 0, 2, 4},
      {"skip, then ends inside the low run", {-0.5, 0.5, 0.5, -0.5}, false, 0, -1, 4},
      {"inverse polarity", {-0.5, 0.5, 0.5, -0.5}, true, 0, 3, 3},
      {"inverse skips high samples", {0.5, -0.5, 0.5, -0.5}, true, 0, 2, 3},
      {"inverse ends inside the high run", {-0.5, 0.5, 0.5}, true, 0, -1, 3},
      {"start at the end", {1.0, -1.0}, false, 2, -1, 2},
      {"start before the first sample", {1.0, -1.0, 1.0}, false, -4, 2, 2},
      {"NaN sample is low", {1.0, kNaN, 1.0}, false, 0, 2, 2},
      {"empty signal", {}, false, 0, -1, 0},
  };
  CWaveParserAmp parser(DefaultTolerances());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    parser.SetState(StateAt(0, 0.0, c.inverse));
    std::int32_t position = c.start;
    EXPECT_EQ(parser.NextImpulse(c.samples, position), c.length);
    EXPECT_EQ(position, c.position);
  }
}

TEST(FrontNextImpulse, MeasuresRisingAndFallingRuns) {
  struct Case {
    const char* name;
    Signal samples;
    bool inverse;
    std::int32_t start;
    std::int32_t length;
    std::int32_t position;
  };
  const Case cases[] = {
      {"flat samples extend both runs", {0, 1, 2, 2, 1, 0, 0, 1}, false, 0, 6, 7},
      {"ends inside the impulse", {0, 1, 2, 2, 1, 0, 0}, false, 0, -1, 0},
      {"ends inside, started later", {0, 1, 2, 1, 2, 1, 0}, false, 3, -1, 3},
      {"first sample is no step", {1, 1, 1, 2, 1, 2}, false, 0, 2, 5},
      {"inverse polarity", {2, 1, 0, 0, 1, 2, 2, 1}, true, 0, 6, 7},
      {"level is ignored", {10, 11, 12, 11, 10, 11}, false, 0, 4, 5},
      {"start at the end", {0, 1, 0, 1}, false, 4, -1, 4},
      {"NaN sample is neither step", {0, 1, kNaN, 0, 1, 0, 1}, false, 0, 5, 6},
  };
  CWaveParserFront parser(DefaultTolerances());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecodingState state = StateAt(0, 0.0, c.inverse);
    state.level = 100.0;
    parser.SetState(state);
    std::int32_t position = c.start;
    EXPECT_EQ(parser.NextImpulse(c.samples, position), c.length);
    EXPECT_EQ(position, c.position);
  }
}

TEST(MeanLevel, AveragesInOrder) {
  // (1e16 + 1) rounds to 1e16 before -1e16 is added.
  EXPECT_EQ(CWaveParserProto::MeanLevel(Signal{1e16, 1.0, -1e16, 1.0}), 0.25);
  EXPECT_EQ(CWaveParserProto::MeanLevel(Signal{}), 0.0);
}

TEST(PushLength, KeepsTheAverageOfTheLast32) {
  CWaveParserAmp parser(DefaultTolerances());
  parser.PushLength(64);
  EXPECT_EQ(parser.State().period, 2.0);  // fewer than 32 lengths: still divided by 32
  for (int i = 0; i < 31; ++i) parser.PushLength(32);
  EXPECT_EQ(parser.State().historyIndex, 0);
  EXPECT_EQ(parser.State().period, 33.0);
  parser.PushLength(32);  // the 64 leaves the ring
  EXPECT_EQ(parser.State().period, 32.0);
  EXPECT_EQ(parser.State().historyIndex, 1);
}

// Runs after a first-marker half-wave of the high side: the marker's other
// half, a 1-bit (40 + 20 at T = 20) and a sample that completes it.
std::vector<std::int32_t> MarkerBitRuns() { return {20, 20, 20, 10, 10, 1}; }

TEST(FindFirstMarker, AcceptsHalfWavesWithinBothBounds) {
  struct Case {
    std::int32_t halfWave;  // at T = 20
    bool accepted;
  };
  const Case cases[] = {{28, true}, {52, true}, {40, true}, {27, false}, {53, false}};
  for (const ParserKind& kind : kParsers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << kind.name << " half-wave " << c.halfWave);
      const Signal signal = kind.runs(Join({{c.halfWave}, MarkerBitRuns()}));
      auto parser = kind.make(DefaultTolerances());
      parser->SetState(StateAt(kLeadIn, 20.0));
      EXPECT_EQ(parser->FindFirstMarker(signal), c.accepted);
      EXPECT_FALSE(parser->State().inverse);
      // Found: after the bit; not found: the search ended with the signal and
      // left the position alone.
      EXPECT_EQ(parser->State().position, kLeadIn + (c.accepted ? c.halfWave + 20 + 60 : 0));
    }
  }
}

TEST(FindFirstMarker, LowSideMarkerSetsInverse) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    // A short high run, the marker on the low side, the half-wave after it,
    // then a 1-bit measured from the low side.
    const Signal signal = kind.runs({3, 40, 20, 20, 20, 10, 10, 1});
    auto parser = kind.make(DefaultTolerances());
    parser->SetState(StateAt(kLeadIn, 20.0));
    EXPECT_TRUE(parser->FindFirstMarker(signal));
    EXPECT_TRUE(parser->State().inverse);
    EXPECT_EQ(parser->State().position, kLeadIn + 3 + 40 + 20 + 60);
  }
}

TEST(FindFirstMarker, NeverClearsInverse) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    // The marker on the high side, then a 1-bit in inverse polarity.
    const Signal signal = kind.runs({40, 20, 20, 10, 10, 1});
    auto parser = kind.make(DefaultTolerances());
    parser->SetState(StateAt(kLeadIn, 20.0, true));
    EXPECT_TRUE(parser->FindFirstMarker(signal));
    EXPECT_TRUE(parser->State().inverse);
  }
}

TEST(FindFirstMarker, BitAfterTheMarkerDecides) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    auto parser = kind.make(DefaultTolerances());
    // A 0-bit: false, the position after the bit.
    parser->SetState(StateAt(kLeadIn, 20.0));
    EXPECT_FALSE(parser->FindFirstMarker(kind.runs({40, 20, 10, 10, 10, 10, 1})));
    EXPECT_EQ(parser->State().position, kLeadIn + 40 + 20 + 40);
    // The bit is cut off: false, the position at the end of the half-wave.
    parser->SetState(StateAt(kLeadIn, 20.0));
    EXPECT_FALSE(parser->FindFirstMarker(kind.runs({40, 20, 20, 20, 10})));
    EXPECT_EQ(parser->State().position, kLeadIn + 40);
  }
}

TEST(FindFirstMarker, ZeroPeriodFindsNothing) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    auto parser = kind.make(DefaultTolerances());
    parser->SetState(StateAt(kLeadIn));
    EXPECT_FALSE(parser->FindFirstMarker(kind.runs(Join({{40}, MarkerBitRuns()}))));
    EXPECT_EQ(parser->State().position, kLeadIn);
  }
}

TEST(ReadBit, JudgesTheDataImpulseByBothBounds) {
  struct Case {
    std::int32_t dataImpulse;  // at T = 20, a = 0.3
    bool read;
    int bit;
  };
  const Case cases[] = {
      {13, false, 0},                   // too short
      {14, true, 0},                    // exactly (1 - a) T
      {25, true, 0},   {26, true, 1},   // exactly (1 + a) T
      {51, true, 1},   {52, false, 0},  // exactly (2 + 2a) T: a marker
      {120, false, 0},                  // finish
  };
  for (const ParserKind& kind : kParsers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << kind.name << " data impulse " << c.dataImpulse);
      const Signal signal = kind.runs(Join({ImpulseRuns(c.dataImpulse, 1), ImpulseRuns(20, 1), {1}}));
      auto parser = kind.make(DefaultTolerances());
      SettlePeriod(*parser, 20);
      int bit = -1;
      EXPECT_EQ(parser->ReadBit(signal, bit), c.read);
      if (c.read) {
        EXPECT_EQ(bit, c.bit);
      }
      EXPECT_EQ(parser->State().position, c.read ? kLeadIn + c.dataImpulse + 20 : 0);
      EXPECT_EQ(parser->State().period, 20.0);  // the reference entered the average either way
    }
  }
}

TEST(ImpulseClasses, ZeroPeriodMakesEveryImpulseAFinish) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    auto parser = kind.make(DefaultTolerances());
    EXPECT_TRUE(parser->FindFinish(kind.runs(Join({ImpulseRuns(10, 1), {1}}))));
  }
}

TEST(ImpulseClasses, RatioThatComparesWithNothingHasNoClass) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    auto parser = kind.make(ImpulseTolerances(kNaN, 3));
    SettlePeriod(*parser, 20);
    const Signal bits = kind.runs(Join({ImpulseRuns(20, 8), {1}}));
    int bit = -1;
    EXPECT_FALSE(parser->ReadBit(bits, bit));
    EXPECT_FALSE(parser->FindFinish(bits));
    // Not below the marker class either: the search stops at the first
    // impulse and fails on its bit.
    parser->ReturnTo(0);
    EXPECT_FALSE(parser->FindMarker(bits));
    EXPECT_EQ(parser->State().position, kLeadIn + 20);
  }
}

TEST(ReadByte, ReadsLeastSignificantBitFirst) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    std::vector<std::int32_t> runs;
    for (int bit : {1, 0, 1, 1, 0, 0, 0, 1}) {
      runs = Join({runs, ImpulseRuns(bit == 1 ? 40 : 20, 1), ImpulseRuns(20, 1)});
    }
    const Signal full = kind.runs(Join({runs, {1}}));
    auto parser = kind.make(DefaultTolerances());
    SettlePeriod(*parser, 20);
    std::uint8_t byte = 0;
    EXPECT_TRUE(parser->ReadByte(full, byte));
    EXPECT_EQ(byte, 0x8D);

    // Cut inside the fifth bit: false, the four bits read are kept.
    const Signal cut(full.begin(), full.begin() + (kLeadIn + 60 + 40 + 60 + 60 + 5));
    parser->ReturnTo(0);
    byte = 0xFF;
    EXPECT_FALSE(parser->ReadByte(cut, byte));
    EXPECT_EQ(byte, 0x0D);
  }
}

// count impulses of 10 from the first sample, ended by one of 40.
Signal TuningRuns(const ParserKind& kind, std::int32_t count) {
  return kind.runs(Join({ImpulseRuns(10, count), ImpulseRuns(40, 1), {1}}));
}

TEST(FindSequence, FirstImpulseStartsTheRunUncounted) {
  for (const ParserKind& kind : kParsers) {
    SCOPED_TRACE(kind.name);
    auto parser = kind.make(DefaultTolerances());
    std::int32_t start = -1;
    std::int32_t length = -1;
    EXPECT_FALSE(parser->FindSequence(TuningRuns(kind, 2048), 2048, true, start, length));
    EXPECT_EQ(start, -1);
    EXPECT_EQ(length, -1);

    parser = kind.make(DefaultTolerances());
    EXPECT_TRUE(parser->FindSequence(TuningRuns(kind, 2049), 2048, true, start, length));
    EXPECT_EQ(start, kLeadIn + 10);
    EXPECT_EQ(length, 2048 * 10);
    EXPECT_EQ(parser->State().position, kLeadIn + 2049 * 10);  // at the impulse that ended the run
    EXPECT_EQ(parser->State().lastLength, 10);
    EXPECT_EQ(parser->State().period, 10.0);
  }
}

TEST(FindSequence, RunToTheLastSampleIsNotFound) {
  struct Case {
    const char* name;
    bool restoreOnEnd;
    std::int32_t ampPosition;    // the level parser keeps every advance
    std::int32_t frontPosition;  // the edge parser stops before the incomplete impulse
  };
  // 3000 impulses of 10; the last one is incomplete without a following high sample.
  const Case cases[] = {
      {"restore", true, kLeadIn + 2999 * 10, kLeadIn + 2999 * 10},
      {"no restore", false, kLeadIn + 3000 * 10, kLeadIn + 2999 * 10},
  };
  for (const ParserKind& kind : kParsers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << kind.name << " " << c.name);
      auto parser = kind.make(DefaultTolerances());
      std::int32_t start = -1;
      std::int32_t length = -1;
      EXPECT_FALSE(
          parser->FindSequence(kind.runs(ImpulseRuns(10, 3000)), 2048, c.restoreOnEnd, start, length));
      EXPECT_EQ(start, -1);
      EXPECT_EQ(parser->State().position, kind.keepsEveryAdvance ? c.ampPosition : c.frontPosition);
    }
  }
}

TEST(FindSequence, IrregularImpulseRestartsTheRun) {
  CWaveParserAmp parser(ImpulseTolerances(0.3, 3));
  // Impulses 10, 13 (regular: differs by 3), 17 (irregular), then 7 of 16.
  const Signal signal = SquareRuns(Join({ImpulseRuns(10, 1),
                                         ImpulseRuns(13, 1),
                                         ImpulseRuns(17, 1),
                                         ImpulseRuns(16, 7),
                                         ImpulseRuns(40, 1),
                                         {1}}));
  DecodingState state;
  state.lastLength = 10;
  parser.SetState(state);
  std::int32_t start = -1;
  std::int32_t length = -1;
  EXPECT_TRUE(parser.FindSequence(signal, 7, true, start, length));
  EXPECT_EQ(start, kLeadIn + 10 + 13 + 17);
  EXPECT_EQ(length, 7 * 16);
  EXPECT_EQ(parser.State().period, 7 * 16 / 32.0);  // cleared by the irregular impulse
}

TEST(MeasureTunePeriod, RoundsTheAverageOfTheLastImpulses) {
  struct Case {
    double period;
    std::int32_t measured;
  };
  const Case cases[] = {{4.0, 4}, {9.0, 9}, {12.3, 12}, {12.7, 13}, {40.0, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.period);
    TapeSignalOptions options;
    options.period = c.period;
    options.leadingSilence = 100;
    const TapeRecord record{0, {}, {1, 2, 3}};
    const auto signal = WriteTapeSignal({&record, 1}, options);
    ASSERT_TRUE(signal);
    CWaveParserAmp parser(DefaultTolerances());
    parser.SetState(StateAt(77));
    EXPECT_EQ(parser.MeasureTunePeriod(signal->samples, CWaveParserProto::MeanLevel(signal->samples)), c.measured);
    EXPECT_EQ(parser.State().position, 0);
  }
}

TEST(MeasureTunePeriod, NoTuningSequenceGivesMinusOne) {
  CWaveParserAmp parser(DefaultTolerances());
  DecodingState state = StateAt(0, 0.0, true);
  state.lastLength = 5;
  parser.SetState(state);
  const Signal shortRun = SquareRuns(ImpulseRuns(10, 2048));
  EXPECT_EQ(parser.MeasureTunePeriod(shortRun, CWaveParserProto::MeanLevel(shortRun)), -1);
  EXPECT_EQ(parser.State().position, 0);
  EXPECT_TRUE(parser.State().inverse);  // left as it was
  EXPECT_EQ(parser.MeasureTunePeriod(Signal{}, 0.0), -1);
}

}  // namespace
}  // namespace varnetta
