#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/TextFormat.h"
#include "support/ChannelLevels.h"
#include "support/ParserSettings.h"
#include "support/RecordingProgressSink.h"
#include "support/RecordingWorkLog.h"
#include "support/ShortTapes.h"
#include "tape/ChannelAlignment.h"
#include "tape/WaveParserAmp.h"

namespace varnetta {
namespace {

// A stop that is never requested.
const StopRequest kNeverStopped;

using testing::Concat;
using testing::DefaultTolerances;
using testing::LevelsOf;
using testing::Padded;
using testing::RecordingWorkLog;
using testing::ShortImpulses;
using testing::ShortTapeOptions;
using testing::SmallRecord;
using testing::WriteShortTape;

constexpr double kPeriod = 8.0;
constexpr const char* kMixing = "Микширование\r\n";
constexpr const char* kWarning = "Хороший результат автоматического микширования не гарантируется.\r\n";

// A tape of one file.
TapeSignal OneFile(std::uint32_t seed = 1) { return WriteShortTape(SmallRecord("MIX", 01000, 60, seed), kPeriod); }

// The tuning sequence of a file and no marker after it.
Signal TuningWithoutMarker() {
  const TapeSignal tape = OneFile();
  const SignalView tuning = SignalView(tape.samples).first(static_cast<std::size_t>(tape.layouts[0].firstMarker));
  return Concat({tuning, ShortImpulses(64), Signal(64, 0.0)});
}

// Two files, with `fillerImpulses` short impulses put between the first
// file's tuning sequence and its first marker.
struct DelayedMarkerTape {
  Signal samples;
  std::int64_t firstMarker = 0;  // of each file
  std::int64_t secondMarker = 0;
};
DelayedMarkerTape TwoFilesWithDelayedMarker(std::int32_t fillerImpulses) {
  const std::array records{SmallRecord("FIRST", 01000, 40, 2), SmallRecord("SECOND", 02000, 40, 3)};
  const TapeSignal tape = WriteShortTape(records, ShortTapeOptions(kPeriod));
  const auto cut = static_cast<std::size_t>(tape.layouts[0].firstMarker);
  const SignalView all(tape.samples);
  const Signal filler = ShortImpulses(fillerImpulses);
  return {Concat({all.first(cut), filler, all.subspan(cut)}), tape.layouts[0].firstMarker + static_cast<std::int64_t>(filler.size()),
          tape.layouts[1].firstMarker + static_cast<std::int64_t>(filler.size())};
}

class ChannelAlignment : public ::testing::Test {
 protected:
  Signal Mix(const Signal& left, const Signal& right, bool& aligned) {
    log.messages.clear();
    progress.calls.clear();
    Signal out(left.size(), 0.0);
    aligned = MixChannels(parser, left, right, LevelsOf(left, right, 2), out, progress, log, kNeverStopped);
    return out;
  }

  CWaveParserAmp parser{DefaultTolerances()};
  test::RecordingProgressSink progress;
  RecordingWorkLog log;
};

Signal PlainMix(const Signal& left, const Signal& right) {
  Signal out(left.size());
  for (std::size_t k = 0; k < out.size(); ++k) out[k] = (right[k] + left[k]) * 0.5;
  return out;
}

// The later channel read ahead by |delta|, silence past its end.
Signal AlignedMix(const Signal& left, const Signal& right, std::int64_t delta) {
  const auto count = static_cast<std::int64_t>(left.size());
  Signal out(left.size());
  for (std::int64_t k = 0; k < count; ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (delta >= 0) {
      const double x = k + delta < count ? left[static_cast<std::size_t>(k + delta)] : 0.0;
      out[i] = (x + right[i]) * 0.5;
    } else {
      const double x = k - delta < count ? right[static_cast<std::size_t>(k - delta)] : 0.0;
      out[i] = (x + left[i]) * 0.5;
    }
  }
  return out;
}

TEST_F(ChannelAlignment, AlignsOnTheFirstMarkersWhenTheyLieLessThanTenPeriodsApart) {
  struct Row {
    std::int32_t leftLag;  // samples by which the left channel's tape comes later
    bool aligned;
  };
  const auto periods = [](double n) { return static_cast<std::int32_t>(n * kPeriod); };
  const Row rows[] = {{5, true}, {-5, true}, {0, true}, {periods(8), true}, {-periods(8), true},
                      {periods(14), false}, {-periods(14), false}};
  const TapeSignal tape = OneFile();
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "left later by " << row.leftLag);
    const auto lag = static_cast<std::size_t>(std::abs(row.leftLag));
    const Signal early = Padded(tape.samples, 0, lag);
    const Signal late = Padded(tape.samples, lag, 0);
    const Signal& left = row.leftLag >= 0 ? late : early;
    const Signal& right = row.leftLag >= 0 ? early : late;

    bool aligned = false;
    const Signal out = Mix(left, right, aligned);
    EXPECT_EQ(aligned, row.aligned);
    if (row.aligned) {
      EXPECT_EQ(log.messages,
                (std::vector<std::string>{kMixing, FormatText("ОК. Дельта (l-r): %d.\r\n", row.leftLag)}));
      EXPECT_EQ(out, AlignedMix(left, right, row.leftLag));
    } else {
      EXPECT_EQ(log.messages, (std::vector<std::string>{kMixing, kWarning}));
      EXPECT_EQ(out, PlainMix(left, right));
    }
    ASSERT_GE(progress.calls.size(), 3U);
    EXPECT_EQ(progress.calls[0], "stage Микширование");
    EXPECT_EQ(progress.calls[1], FormatText("reset %zu", left.size()));
    EXPECT_EQ(progress.calls.back(), FormatText("pos %zu", left.size()));
  }
}

TEST_F(ChannelAlignment, TheAlignedMixTakesTheShiftedChannelAsSilencePastItsEnd) {
  // The left tape ends 5 samples before the end of the channel, so reading it
  // 5 ahead runs exactly to the end; anything the mix reads past that is 0.
  const TapeSignal tape = OneFile();
  const Signal left = Padded(tape.samples, 5, 0);
  Signal right = Padded(tape.samples, 0, 5);
  std::fill(right.end() - 5, right.end(), 0.25);
  bool aligned = false;
  const Signal out = Mix(left, right, aligned);
  ASSERT_TRUE(aligned);
  for (std::size_t k = out.size() - 5; k < out.size(); ++k) EXPECT_EQ(out[k], 0.125) << "sample " << k;
}

TEST_F(ChannelAlignment, ReportsEachFailedChannelThenWarnsAndMixesUnshifted) {
  const TapeSignal tape = OneFile();
  const Signal good = Padded(tape.samples, 3, 0);
  const Signal dead(good.size(), 0.0);
  const Signal noMarker = Padded(TuningWithoutMarker(), 0, good.size() - TuningWithoutMarker().size());
  const std::string leftDead = "Настроечная последовательность в левом канале не найдена.\r\n";
  const std::string rightDead = "Настроечная последовательность в правом канале не найдена.\r\n";
  const std::string leftNoMarker = "Маркер данных в левом канале не найден.\r\n";
  const std::string rightNoMarker = "Маркер данных в правом канале не найден.\r\n";
  struct Row {
    const char* name;
    const Signal& left;
    const Signal& right;
    std::vector<std::string> messages;
  };
  const Row rows[] = {
      {"dead left", dead, good, {kMixing, leftDead, kWarning}},
      {"dead right", good, dead, {kMixing, rightDead, kWarning}},
      {"both dead", dead, dead, {kMixing, leftDead, rightDead, kWarning}},
      {"left without marker", noMarker, good, {kMixing, leftNoMarker, kWarning}},
      {"right without marker", good, noMarker, {kMixing, rightNoMarker, kWarning}},
      {"no marker, then dead", noMarker, dead, {kMixing, leftNoMarker, rightDead, kWarning}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bool aligned = true;
    const Signal out = Mix(row.left, row.right, aligned);
    EXPECT_FALSE(aligned);
    EXPECT_EQ(log.messages, row.messages);
    EXPECT_EQ(out, PlainMix(row.left, row.right));
  }
}

TEST_F(ChannelAlignment, MixesEmptyChannels) {
  bool aligned = true;
  const Signal out = Mix({}, {}, aligned);
  EXPECT_FALSE(aligned);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(log.messages.back(), kWarning);
}

TEST_F(ChannelAlignment, ChannelCheckPassesOverATuningSequenceWhoseMarkerComesTooLate) {
  // The marker and its bit end some 6 periods after the tuning sequence; the
  // filler pushes them to under 12 periods or well past them.
  struct Row {
    std::int32_t fillerImpulses;  // of half a period each
    bool firstFileUsed;
  };
  const Row rows[] = {{0, true}, {4, true}, {12, false}, {40, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.fillerImpulses << " short impulses before the marker");
    const DelayedMarkerTape tape = TwoFilesWithDelayedMarker(row.fillerImpulses);
    // A fresh parser: one that measured before may count the silence in front
    // of the tuning sequence into it.
    CWaveParserAmp fresh(DefaultTolerances());
    const ChannelCheck check = CheckChannel(fresh, tape.samples, 0, CWaveParserProto::MeanLevel(tape.samples));
    ASSERT_EQ(check.outcome, ChannelCheck::Outcome::Found);
    // The tuning sequence ends where the first marker begins.
    const std::int64_t marker = row.firstFileUsed ? tape.firstMarker - 4 * row.fillerImpulses : tape.secondMarker;
    EXPECT_NEAR(check.markerPos, static_cast<double>(marker), kPeriod);
    EXPECT_NEAR(check.length, testing::kShortTuneImpulses * kPeriod, 2 * kPeriod);
    EXPECT_EQ(check.start + check.length, check.markerPos);
  }
}

TEST_F(ChannelAlignment, ChannelCheckOutcomes) {
  const TapeSignal tape = OneFile();
  struct Row {
    const char* name;
    Signal signal;
    ChannelCheck::Outcome outcome;
  };
  const Row rows[] = {
      {"a file", tape.samples, ChannelCheck::Outcome::Found},
      {"silence", Signal(5000, 0.0), ChannelCheck::Outcome::NoTuningSequence},
      {"short impulses only", ShortImpulses(3000), ChannelCheck::Outcome::NoTuningSequence},
      {"tuning without marker", TuningWithoutMarker(), ChannelCheck::Outcome::NoDataMarker},
      {"tuning with a marker too late", Concat({TuningWithoutMarker(), ShortImpulses(40), SignalView(tape.samples).subspan(
                                                static_cast<std::size_t>(tape.layouts[0].firstMarker))}),
       ChannelCheck::Outcome::NoDataMarker},
      {"empty", Signal(), ChannelCheck::Outcome::NoTuningSequence},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CheckChannel(parser, row.signal, 0, CWaveParserProto::MeanLevel(row.signal)).outcome, row.outcome);
  }
}

TEST_F(ChannelAlignment, FindTapeStartTakesTheEarlierChannelAndTheLeftOneOnATie) {
  // Tapes led in by short impulses rather than silence, so that every tuning
  // sequence starts at its second impulse whatever the parser measured before.
  const TapeRecord record = SmallRecord("START", 01000, 30, 4);
  TapeSignalOptions shortTuning = ShortTapeOptions(kPeriod);
  shortTuning.leadingSilence = 0;
  TapeSignalOptions longTuning = shortTuning;
  longTuning.tuneImpulses += 300;
  const Signal a = WriteShortTape(std::span(&record, 1), shortTuning).samples;
  const Signal b = WriteShortTape(std::span(&record, 1), longTuning).samples;
  const std::size_t size = b.size() + 400;
  const auto at = [size](const Signal& s, std::int32_t leadImpulses) {
    const Signal led = Concat({ShortImpulses(leadImpulses), s});
    return Padded(led, 0, size - led.size());
  };
  const Signal silence(size, 0.0);
  const std::int32_t aLength = shortTuning.tuneImpulses * static_cast<std::int32_t>(kPeriod) - 8;
  const std::int32_t bLength = longTuning.tuneImpulses * static_cast<std::int32_t>(kPeriod) - 8;

  struct Row {
    const char* name;
    Signal left;
    Signal right;
    std::int32_t channelCount;
    std::int32_t start;  // -1: none found
    std::int32_t length;
  };
  const Row rows[] = {
      {"equal starts", at(a, 25), at(b, 25), 2, 108, aLength},
      {"equal starts, the other way", at(b, 25), at(a, 25), 2, 108, bLength},
      {"right earlier", at(a, 75), at(b, 25), 2, 108, bLength},
      {"left earlier", at(b, 25), at(a, 75), 2, 108, bLength},
      {"left dead", silence, at(a, 75), 2, 308, aLength},
      {"right dead", at(a, 75), silence, 2, 308, aLength},
      {"mono: the right channel is not looked at", at(a, 75), at(b, 25), 1, 308, aLength},
      {"mono, dead", silence, at(b, 25), 1, -1, 0},
      {"both dead", silence, silence, 2, -1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CWaveParserAmp fresh(DefaultTolerances());
    std::int32_t start = -7;
    std::int32_t length = -8;
    const bool found = FindTapeStart(fresh, row.left, row.right, row.channelCount,
                                     LevelsOf(row.left, row.right, row.channelCount), 0, start, length);
    EXPECT_EQ(found, row.start >= 0);
    EXPECT_EQ(start, found ? row.start : -7);
    EXPECT_EQ(length, found ? row.length : -8);
  }
}

TEST_F(ChannelAlignment, FindTapeStartSearchesFromTheGivenSample) {
  const std::array records{SmallRecord("ONE", 01000, 30, 5), SmallRecord("TWO", 02000, 30, 6)};
  const TapeSignal tape = WriteShortTape(records, ShortTapeOptions(kPeriod));
  const ChannelLevels levels = LevelsOf(tape.samples, {}, 1);
  std::int32_t start = 0;
  std::int32_t length = 0;
  ASSERT_TRUE(FindTapeStart(parser, tape.samples, {}, 1, levels, 0, start, length));
  EXPECT_GE(start, tape.fileStarts[0]);
  EXPECT_LT(start, tape.layouts[0].firstMarker);
  ASSERT_TRUE(FindTapeStart(parser, tape.samples, {}, 1, levels, start + length, start, length));
  EXPECT_GE(start, tape.fileStarts[1]);
  EXPECT_LT(start, tape.layouts[1].firstMarker);
  const std::int32_t second = start;
  EXPECT_FALSE(FindTapeStart(parser, tape.samples, {}, 1, levels, start + length, start, length));
  EXPECT_EQ(start, second);
  EXPECT_FALSE(FindTapeStart(parser, tape.samples, {}, 1, levels, static_cast<std::int32_t>(tape.samples.size()) + 10,
                             start, length));
}

}  // namespace
}  // namespace varnetta
