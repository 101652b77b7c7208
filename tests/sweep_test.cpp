#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dsp/Convolution.h"
#include "dsp/Kernel.h"
#include "recognition/Tolerances.h"
#include "support/ProcessingFixture.h"
#include "support/RecordingProgressSink.h"
#include "support/ShortTapes.h"

namespace varnetta {
namespace {

// A stop that is never requested.
const StopRequest kNeverStopped;

using testing::SmallRecord;
using testing::WriteShortTape;

using Labels = std::vector<std::string>;

class Sweep : public testing::ProcessingFixture {
 protected:
  void Use(int fronts, int smoothing, int levelsOnFronts) {
    context.settings.FrontAnalyse = fronts;
    context.settings.FrontAliasing = smoothing;
    context.settings.FrontLevels = levelsOnFronts;
  }
};

Signal Tape(double period, std::uint32_t seed = 1) {
  return WriteShortTape(SmallRecord("ALPHA", 01000, 60, seed), period).samples;
}

std::vector<Signal> Copies(const Signal& signal, int count) { return std::vector<Signal>(static_cast<std::size_t>(count), signal); }

TEST_F(Sweep, RunsTheEnabledPassesInTheirFixedOrder) {
  const Labels stereoDefault{"Фронты:Левый",  "Фронты:Левый Г", "Фронты:Правый", "Фронты:Правый Г", "Фронты:Микс",
                             "Фронты:Микс Г", "Уровни:Левый",   "Уровни:Правый", "Уровни:Микс"};
  const Labels stereoAll{"Фронты:Левый",  "Фронты:Левый Г",   "Фронты:Правый",  "Фронты:Правый Г", "Фронты:Микс",
                         "Фронты:Микс Г", "Уровни:Левый",     "Уровни:Левый Ф", "Уровни:Левый ФГ", "Уровни:Правый",
                         "Уровни:Микс",   "Уровни:Правый Ф", "Уровни:Правый ФГ", "Уровни:Микс Ф",  "Уровни:Микс ФГ"};
  const Labels levelsOnly{"Уровни:Левый", "Уровни:Правый", "Уровни:Микс"};
  struct Row {
    const char* name;
    int channels;
    int fronts, smoothing, levelsOnFronts;
    Labels labels;
  };
  const Row rows[] = {
      {"stereo, defaults", 2, 1, 1, 0, stereoDefault},
      {"mono, defaults", 1, 1, 1, 0, {"Фронты:Левый", "Фронты:Левый Г", "Уровни:Левый"}},
      {"stereo, all on", 2, 1, 1, 1, stereoAll},
      {"mono, all on", 1, 1, 1, 1,
       {"Фронты:Левый", "Фронты:Левый Г", "Уровни:Левый", "Уровни:Левый Ф", "Уровни:Левый ФГ"}},
      {"stereo, no fronts", 2, 0, 1, 1, levelsOnly},
      {"mono, no fronts", 1, 0, 1, 1, {"Уровни:Левый"}},
      {"stereo, no fronts, nothing else", 2, 0, 0, 0, levelsOnly},
      {"stereo, fronts and levels on fronts, no smoothing", 2, 1, 0, 1,
       {"Фронты:Левый", "Фронты:Правый", "Фронты:Микс", "Уровни:Левый", "Уровни:Левый Ф", "Уровни:Правый",
        "Уровни:Микс", "Уровни:Правый Ф", "Уровни:Микс Ф"}},
      {"mono, fronts only", 1, 1, 0, 0, {"Фронты:Левый", "Уровни:Левый"}},
      {"four channels go unmixed as stereo", 4, 1, 1, 0, stereoDefault},
  };
  const Signal tape = Tape(8.0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    reporter.calls.clear();
    reporter.pane.clear();
    Use(row.fronts, row.smoothing, row.levelsOnFronts);
    ASSERT_TRUE(Process(Copies(tape, row.channels)));
    EXPECT_EQ(PassLabels(), row.labels);
    EXPECT_EQ(reporter.pane.find("Микширование") != std::string::npos, row.channels == 2);
    const std::int32_t tunePeriod = row.fronts != 0 ? 8 : 4;
    EXPECT_TRUE(HasCall(FormatText("sizes %d %d", static_cast<int>(tape.size()), tunePeriod)));
    EXPECT_EQ(context.ReadStage().tapeFileNumber, 1);
  }
  // Every pass found the same file: it was written once, and each sweep left
  // its one-line entry; the first sweep wrote ALPHA.bin, the others ALPHA(n).bin.
  EXPECT_TRUE(std::filesystem::exists(dir / "ALPHA.bin"));
  EXPECT_TRUE(std::filesystem::exists(dir / "ALPHA(9).bin"));
  EXPECT_FALSE(std::filesystem::exists(dir / "ALPHA(10).bin"));
  EXPECT_FALSE(std::filesystem::exists(dir / "tape.log"));
  std::string expected;
  for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
    const std::string name = i == 0 ? "ALPHA.bin" : FormatText("ALPHA(%d).bin", i);
    expected += Stored(RecordingText() + ":\t" + name + "\t\t1000\t74\n");
  }
  EXPECT_EQ(ListLog(), expected);
}

TEST_F(Sweep, AStereoRecordingIsAnalysedWithItsMixAsTheThirdChannel) {
  const Signal tape = Tape(8.0);
  const Signal left = testing::Padded(tape, 5, 0);
  const Signal right = testing::Padded(tape, 0, 5);
  // Without the edge analysis nothing is made from the channels, so they are
  // left as the passes read them.
  Use(0, 0, 0);
  ASSERT_TRUE(Process({left, right}));
  EXPECT_NE(reporter.pane.find("ОК. Дельта (l-r): 5.\r\n"), std::string::npos);
  ASSERT_EQ(context.workClip.ChannelCount(), 3);
  Signal mix(left.size());
  for (std::size_t k = 0; k < mix.size(); ++k) mix[k] = ((k + 5 < left.size() ? left[k + 5] : 0.0) + right[k]) * 0.5;
  const Signal* expected[] = {&left, &right, &mix};
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    const SignalView channel = context.workClip.Channel(c);
    EXPECT_TRUE(std::equal(channel.begin(), channel.end(), expected[c]->begin(), expected[c]->end()));
  }
}

// Each pass reads its own channel: with the tape in one channel of an
// unmixed three-channel recording, exactly the passes on that channel and on
// its conditioned forms decode it.
TEST_F(Sweep, EachPassReadsItsChannel) {
  struct Pass {
    const char* label;
    int source;  // the handed-over channel the pass's channel comes from
  };
  const Pass passes[] = {{"Фронты:Левый", 0},   {"Фронты:Левый Г", 0},  {"Фронты:Правый", 1},   {"Фронты:Правый Г", 1},
                         {"Фронты:Микс", 2},    {"Фронты:Микс Г", 2},   {"Уровни:Левый", 0},    {"Уровни:Левый Ф", 0},
                         {"Уровни:Левый ФГ", 0}, {"Уровни:Правый", 1},  {"Уровни:Микс", 2},     {"Уровни:Правый Ф", 1},
                         {"Уровни:Правый ФГ", 1}, {"Уровни:Микс Ф", 2}, {"Уровни:Микс ФГ", 2}};
  const Signal tape = Tape(8.0);
  Use(1, 1, 1);
  for (int withTape = 0; withTape < 3; ++withTape) {
    SCOPED_TRACE(::testing::Message() << "tape in channel " << withTape);
    reporter.pane.clear();
    std::vector<Signal> channels(3, Signal(tape.size(), 0.0));
    channels[static_cast<std::size_t>(withTape)] = tape;
    ASSERT_TRUE(Process(channels));
    ASSERT_EQ(PassLabels().size(), std::size(passes));
    // The report of each pass runs from its label line to the next one.
    std::vector<std::size_t> heads;
    for (const Pass& pass : passes) heads.push_back(reporter.pane.find(std::string("[") + pass.label + "]\r\n"));
    heads.push_back(reporter.pane.size());
    for (std::size_t i = 0; i < std::size(passes); ++i) {
      SCOPED_TRACE(passes[i].label);
      ASSERT_NE(heads[i], std::string::npos);
      const std::string report = reporter.pane.substr(heads[i], heads[i + 1] - heads[i]);
      EXPECT_EQ(report.find("Успешное распознавание.\r\n") != std::string::npos, passes[i].source == withTape);
    }
  }
}

// Each level pass measures against the mean level of its own channel: with
// the tape lifted far above zero in the right channel, only that channel's
// level (and the mix's own) lets the level passes read it.
TEST_F(Sweep, LevelPassesMeasureAgainstTheirOwnChannelsLevel) {
  const Signal tape = Tape(8.0);
  Signal lifted = tape;
  for (double& sample : lifted) sample += 0.9;
  Use(0, 0, 0);
  ASSERT_TRUE(Process({Signal(tape.size(), 0.0), lifted}));
  const Labels labels{"Уровни:Левый", "Уровни:Правый", "Уровни:Микс"};
  ASSERT_EQ(PassLabels(), labels);
  std::vector<std::size_t> heads;
  for (const std::string& label : labels) heads.push_back(reporter.pane.find("[" + label + "]\r\n"));
  heads.push_back(reporter.pane.size());
  const bool decodes[] = {false, true, true};
  for (std::size_t i = 0; i < labels.size(); ++i) {
    SCOPED_TRACE(labels[i]);
    const std::string report = reporter.pane.substr(heads[i], heads[i + 1] - heads[i]);
    EXPECT_EQ(report.find("Успешное распознавание.\r\n") != std::string::npos, decodes[i]);
  }
}

// The kernels follow the measured tuning period, which comes from the first
// of left, right and mix that has a tuning sequence; the conditioning of every
// channel uses them.
TEST_F(Sweep, ConditionsEveryChannelWithTheKernelsOfTheMeasuredPeriod) {
  struct Row {
    const char* name;
    std::vector<double> periods;  // per channel; 0 for silence
    int smoothing;
    std::int32_t tunePeriod;
  };
  const Row rows[] = {
      {"period 4, smoothed", {4.0}, 1, 4},
      {"period 4", {4.0}, 0, 4},
      {"period 10, smoothed", {10.0}, 1, 10},
      {"period 10", {10.0}, 0, 10},
      {"only in the mix", {0.0, 0.0, 10.0}, 1, 10},
      {"right before the mix", {0.0, 6.0, 10.0}, 0, 6},
      {"left first", {8.0, 6.0, 10.0}, 1, 8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<Signal> channels;
    for (double period : row.periods) channels.push_back(period > 0.0 ? Tape(period) : Signal());
    const std::size_t length = std::max_element(channels.begin(), channels.end(), [](const Signal& a, const Signal& b) {
                                 return a.size() < b.size();
                               })->size();
    for (Signal& channel : channels) channel.resize(length, 0.0);
    reporter.calls.clear();
    Use(1, row.smoothing, 0);
    ASSERT_TRUE(Process(channels));
    EXPECT_TRUE(HasCall(FormatText("sizes %d %d", static_cast<int>(length), row.tunePeriod)));

    const bool shortPeriod = row.tunePeriod == 4;
    test::RecordingProgressSink progress;
    std::vector<double> derivative;
    BuildKernel(derivative, row.tunePeriod, shortPeriod ? KernelKind::CentralDifference : KernelKind::SinePeriod,
                progress);
    std::vector<double> smoothing;
    BuildKernel(smoothing, row.tunePeriod, shortPeriod ? KernelKind::StepPair : KernelKind::HalfSine, progress);
    std::reverse(smoothing.begin(), smoothing.end());

    const int sources = channels.size() > 1 ? 3 : 1;
    for (int source = 0; source < sources; ++source) {
      SCOPED_TRACE(::testing::Message() << "channel " << source);
      const int derived = 3 + 2 * source;
      Signal expected(length);
      ApplyKernel(derivative, channels[static_cast<std::size_t>(source)], expected, "", progress, kNeverStopped);
      if (row.smoothing == 0) {
        const SignalView actual = context.workClip.Channel(derived);
        EXPECT_TRUE(std::equal(actual.begin(), actual.end(), expected.begin(), expected.end()));
        continue;
      }
      // The smoothed channel takes over the derivative's storage once the
      // passes on the derivative are done, so only it is left to compare.
      Signal smoothed(length);
      ApplyKernel(smoothing, expected, smoothed, "", progress, kNeverStopped);
      const SignalView actualSmoothed = context.workClip.Channel(derived + 1);
      EXPECT_TRUE(std::equal(actualSmoothed.begin(), actualSmoothed.end(), smoothed.begin(), smoothed.end()));
    }
  }
}

// Later searches (the next piece's tape start, its mixing) go on from the
// state the last level pass ended in, as if that pass had run on the parser.
TEST_F(Sweep, TheAmplitudeParserEndsInTheStateOfTheLastLevelPass) {
  const Signal tape = Tape(8.0);
  ASSERT_TRUE(Process({tape}));  // mono: the last pass is the level pass on the raw channel
  CWaveParserAmp alone(TolerancesOf(context.settings));
  TapeFile record;
  ASSERT_EQ(alone.Recognize(record, tape, CWaveParserProto::MeanLevel(tape), "", ""), RecognitionStage::Complete);
  EXPECT_EQ(context.ampParser.State(), alone.State());
}

TEST_F(Sweep, WithoutAnyTuningSequenceWritesTheTuningNotFoundLineAndRunsNoPass) {
  ASSERT_TRUE(Process({Signal(4000, 0.0), Signal(4000, 0.0)}));
  EXPECT_TRUE(PassLabels().empty());
  EXPECT_EQ(context.ReadStage().stageText, "Настроечная последовательность не найдена.");
  EXPECT_EQ(ListLog(), Stored(RecordingText() + ":\tНастроечная последовательность не найдена.\n"));
  EXPECT_FALSE(std::filesystem::exists(dir / "tape.log"));
  EXPECT_TRUE(std::none_of(reporter.calls.begin(), reporter.calls.end(),
                           [](const std::string& call) { return call.starts_with("sizes "); }));
}

TEST_F(Sweep, WhenEveryPassFailsBothLogsSayNotDoneWithTheCountsPerLabel) {
  // Without fronts the passes run even on silence, and none reads a header.
  Use(0, 1, 0);
  ASSERT_TRUE(Process({Signal(4000, 0.0), Signal(4000, 0.0)}));
  EXPECT_EQ(PassLabels().size(), 3u);
  EXPECT_EQ(ListLog(), Stored(RecordingText() + ":\tНе удалось.\n\t\tНераспознано\t\t177777\t177777\n"));
  EXPECT_EQ(RecordingLog(), Stored("Не удалось.\nНераспознано -- 3 раз.\n"));
}

TEST_F(Sweep, TwoDifferentFilesInOneSweepAreListedOnTwoLinesAndCounted) {
  // The right channel's file comes after the left one's: the plain mix holds
  // both, one after the other, and decodes as the left one.
  const Signal left = Tape(8.0, 1);
  const Signal right = WriteShortTape(SmallRecord("BETA", 02000, 20, 9), 8.0).samples;
  ASSERT_TRUE(Process({testing::Padded(left, 0, right.size()), testing::Padded(right, left.size(), 0)}));
  EXPECT_NE(reporter.pane.find("Хороший результат автоматического микширования не гарантируется.\r\n"),
            std::string::npos);
  EXPECT_EQ(ListLog(), Stored(RecordingText() + ":\tALPHA.bin\t\t1000\t74\n\t\tBETA.bin\t\t2000\t24\n"));
  EXPECT_EQ(RecordingLog(), Stored("ALPHA.bin -- 6 раз.\nBETA.bin -- 3 раз.\n"));
}

}  // namespace
}  // namespace varnetta
