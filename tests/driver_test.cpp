#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "recognition/Tolerances.h"
#include "support/ChannelLevels.h"
#include "support/ProcessingFixture.h"
#include "support/ShortTapes.h"
#include "tape/ChannelAlignment.h"

namespace varnetta {
namespace {

using testing::Padded;
using testing::ShortTapeOptions;
using testing::SmallRecord;
using testing::WriteShortTape;

constexpr double kPeriod = 8.0;

class Driver : public testing::ProcessingFixture {
 protected:
  void SetUp() override { context.settings.MultiFile = 1; }

  // The tape starts the driver cuts a channel at, as the check on its own finds them.
  std::vector<std::int32_t> TapeStarts(const Signal& channel) {
    CWaveParserAmp parser(TolerancesOf(context.settings));
    const ChannelLevels levels = testing::LevelsOf(channel, {}, 1);
    std::vector<std::int32_t> starts;
    std::int32_t start = 0;
    std::int32_t length = 0;
    for (std::int32_t from = 0; FindTapeStart(parser, channel, {}, 1, levels, from, start, length);
         from = start + length) {
      starts.push_back(start);
    }
    return starts;
  }

  std::string SegmentHead(int number, std::int32_t first, std::int32_t end) const {
    return FormatText("\t(%02d, %9d, %9d):\t", number, first, end);
  }
};

const std::array kThreeFiles{SmallRecord("ONE", 01000, 30, 11), SmallRecord("TWO", 02000, 40, 12),
                             SmallRecord("THREE", 03000, 50, 13)};

TEST_F(Driver, CutsAMultiFileTapeAtEveryTuningSequence) {
  TapeSignalOptions options = ShortTapeOptions(kPeriod);
  options.leadingSilence = 3000;  // never analysed
  const Signal tape = WriteShortTape(kThreeFiles, options).samples;
  const std::vector<std::int32_t> starts = TapeStarts(tape);
  ASSERT_EQ(starts.size(), 3u);
  const auto end = static_cast<std::int32_t>(tape.size());

  const ProcessedRecording processed = ProcessChannels({tape});
  EXPECT_TRUE(processed.continueQueue);
  EXPECT_EQ(processed.filesWritten, 3);
  EXPECT_EQ(ListLog(), Stored(RecordingText() + "\n" + SegmentHead(1, starts[0], starts[1]) + "ONE.bin\t\t1000\t36\n" +
                              SegmentHead(2, starts[1], starts[2]) + "TWO.bin\t\t2000\t50\n" +
                              SegmentHead(3, starts[2], end) + "THREE.bin\t\t3000\t62\n" + "Конец кассеты.\n"));
  EXPECT_TRUE(reporter.pane.ends_with("Конец кассеты.\r\n"));
  EXPECT_EQ(context.ReadStage().tapeFileNumber, 3);
  EXPECT_FALSE(std::filesystem::exists(dir / "tape.log"));
  // Each segment ran its own three passes on its own samples.
  EXPECT_EQ(PassLabels().size(), 9u);
  EXPECT_GE(starts[0], 3000);
}

TEST_F(Driver, AFileDecodedInTwoSegmentsIsWrittenTwice) {
  const std::array twice{kThreeFiles[0], kThreeFiles[0]};
  const Signal tape = WriteShortTape(twice, ShortTapeOptions(kPeriod)).samples;
  const std::vector<std::int32_t> starts = TapeStarts(tape);
  ASSERT_EQ(starts.size(), 2u);
  ASSERT_TRUE(Process({tape}));
  EXPECT_EQ(ListLog(), Stored(RecordingText() + "\n" + SegmentHead(1, starts[0], starts[1]) + "ONE.bin\t\t1000\t36\n" +
                              SegmentHead(2, starts[1], static_cast<std::int32_t>(tape.size())) +
                              "ONE(1).bin\t\t1000\t36\n" + "Конец кассеты.\n"));
  EXPECT_EQ(testing::ReadFileBytes(dir / "ONE.bin"), testing::ReadFileBytes(dir / "ONE(1).bin"));
}

TEST_F(Driver, ASegmentThatGivesNothingIsSummedUpUnderItsNumber) {
  TapeSignal tape = WriteShortTape(std::span(kThreeFiles).first(2), ShortTapeOptions(kPeriod));
  // Silence over the middle of the second file's data: its header reads, its data does not.
  const auto data = static_cast<std::size_t>(tape.layouts[1].data);
  std::fill(tape.samples.begin() + static_cast<std::ptrdiff_t>(data) + 400,
            tape.samples.begin() + static_cast<std::ptrdiff_t>(data) + 1200, 0.0);
  const std::vector<std::int32_t> starts = TapeStarts(tape.samples);
  ASSERT_EQ(starts.size(), 2u);
  ASSERT_TRUE(Process({tape.samples}));
  EXPECT_EQ(ListLog(), Stored(RecordingText() + "\n" + SegmentHead(1, starts[0], starts[1]) + "ONE.bin\t\t1000\t36\n" +
                              SegmentHead(2, starts[1], static_cast<std::int32_t>(tape.samples.size())) +
                              "Не удалось.\n\t\tTWO\t\t2000\t50\n" + "Конец кассеты.\n"));
  EXPECT_EQ(RecordingLog(), Stored("(02): Не удалось.\nTWO -- 3 раз.\n"));
}

TEST_F(Driver, AStereoPieceBeginsAtTheEarlierChannelsTuningSequence) {
  struct Row {
    const char* name;
    std::int32_t leftLead;  // short impulses in front of the tape
    std::int32_t rightLead;
    bool leftFirst;
  };
  const Row rows[] = {{"right earlier", 30, 20, false}, {"left earlier", 20, 30, true}, {"equal", 20, 20, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(dir / "!list.log");
    std::filesystem::remove(dir / "ONE.bin");
    reporter.pane.clear();
    Signal left = testing::LedInTapes(std::span(kThreeFiles).first(1), kPeriod, row.leftLead);
    Signal right = testing::LedInTapes(std::span(kThreeFiles).first(1), kPeriod, row.rightLead);
    const std::size_t size = std::max(left.size(), right.size());
    left.resize(size, 0.0);
    right.resize(size, 0.0);
    const std::vector<std::int32_t> starts = TapeStarts(row.leftFirst ? left : right);
    ASSERT_EQ(starts.size(), 1u);
    ASSERT_TRUE(Process({left, right}));
    EXPECT_EQ(ListLog(), Stored(RecordingText() + "\n" + SegmentHead(1, starts[0], static_cast<std::int32_t>(size)) +
                                "ONE.bin\t\t1000\t36\nКонец кассеты.\n"));
    EXPECT_EQ(PassLabels().size(), 9u);
  }
}

TEST_F(Driver, WithoutATuningSequenceAMultiFileRecordingGivesOneLineAndFalse) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    std::filesystem::remove(dir / "!list.log");
    EXPECT_FALSE(Process(std::vector<Signal>(static_cast<std::size_t>(channels), Signal(5000, 0.0))));
    EXPECT_EQ(ListLog(), Stored(RecordingText() + ":\tНастроечная последовательность не найдена.\n"));
    EXPECT_EQ(context.ReadStage().stageText, "Настроечная последовательность не найдена.");
    EXPECT_TRUE(reporter.pane.empty());
  }
}

TEST_F(Driver, WholeRecordingModeHandsASilentRecordingToTheSweep) {
  context.settings.MultiFile = 0;
  EXPECT_TRUE(Process({Signal(5000, 0.0)}));
  EXPECT_EQ(ListLog(), Stored(RecordingText() + ":\tНастроечная последовательность не найдена.\n"));
}

TEST_F(Driver, RecordingsWithoutSamplesAreHandledLikeSilence) {
  for (int multiFile : {0, 1}) {
    for (int fronts : {0, 1}) {
      for (int channels : {1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << "MultiFile " << multiFile << " FrontAnalyse " << fronts << ", "
                                          << channels << " channels");
        std::filesystem::remove(dir / "!list.log");
        context.settings.MultiFile = multiFile;
        context.settings.FrontAnalyse = fronts;
        const bool result = Process(std::vector<Signal>(static_cast<std::size_t>(channels)));
        EXPECT_EQ(result, multiFile == 0);
        const std::string nothing = multiFile != 0 || fronts != 0
                                        ? ":\tНастроечная последовательность не найдена.\n"
                                        : ":\tНе удалось.\n\t\tНераспознано\t\t177777\t177777\n";
        EXPECT_EQ(ListLog(), Stored(RecordingText() + nothing));
      }
    }
  }
}

TEST_F(Driver, TheRecordingDirectoryIsTheParentOfThePath) {
  context.settings.MultiFile = 0;
  context.sourceClip.channels = {Signal(100, 0.0)};
  ASSERT_TRUE(ProcessRecording(context, dir / "sub" / ".." / "tape.wav").continueQueue);
  EXPECT_EQ(context.recording.path, dir / "sub" / ".." / "tape.wav");
  EXPECT_EQ(context.recording.dir, dir / "sub" / "..");
}

// A stop request seen after the mixing or during a sweep ends the recording
// at once: false, and no summary or end-of-tape lines.
TEST_F(Driver, StopsWhereTheStopRequestIsSeen) {
  const Signal one = testing::LedInTapes(std::span(kThreeFiles).first(1), kPeriod);
  const Signal two = testing::LedInTapes(std::span(kThreeFiles).first(2), kPeriod);
  struct Row {
    const char* name;
    int multiFile;
    const Signal& tape;
    const char* trigger;
    std::size_t passes;
    std::string listLog;
  };
  const std::vector<std::int32_t> starts = TapeStarts(two);
  ASSERT_EQ(starts.size(), 2u);
  const std::string firstSegment = RecordingText() + "\n" + SegmentHead(1, starts[0], starts[1]) + "ONE.bin\t\t1000\t36\n";
  const Row rows[] = {
      {"whole recording, during the mixing", 0, one, "Микширование", 0, ""},
      {"whole recording, during the sweep", 0, one, "[Уровни:Левый]", 7, ""},
      {"first piece, during the mixing", 1, two, "Микширование", 0, ""},
      {"second piece, during the sweep", 1, two, " Имя: \"TWO", 9 + 1, Stored(firstSegment)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(entry);
    // A stop request holds for good: each row has a context of its own.
    testing::RecordingReporter rowReporter;
    ProcessingContext rowContext(rowReporter);
    rowContext.settings.MultiFile = row.multiFile;
    rowReporter.StopOnPaneText(rowContext.stopRequested, row.trigger);
    rowContext.sourceClip.channels = {row.tape, row.tape};
    const ProcessedRecording processed = ProcessRecording(rowContext, RecordingPath());
    EXPECT_FALSE(processed.continueQueue);
    EXPECT_EQ(PassLabelsIn(rowReporter.pane).size(), row.passes);
    EXPECT_EQ(ListLog(), row.listLog);
    EXPECT_FALSE(std::filesystem::exists(dir / "tape.log"));
    EXPECT_EQ(rowReporter.pane.find("Конец кассеты."), std::string::npos);
  }
}

}  // namespace
}  // namespace varnetta
