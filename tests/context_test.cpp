#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "app/ProcessingContext.h"
#include "common/Progress.h"
#include "recognition/LogFiles.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

// A stop that is never requested.
const StopRequest kNeverStopped;

using testing::RecordingReporter;
using testing::TempDir;

TEST(ProcessingContext, StartsEmpty) {
  RecordingReporter reporter;
  ProcessingContext ctx(reporter);
  EXPECT_EQ(ctx.ReadStage(), StageSnapshot{});
  EXPECT_FALSE(ctx.stopRequested.IsRequested());
  EXPECT_TRUE(reporter.calls.empty());
}

TEST(ProcessingContext, ResetProgressSetsRangeThenPositionAndMirrorsThem) {
  struct Row {
    std::int32_t count, low, high;
  };
  for (const Row row : {Row{100, 0, 100}, Row{-50, -50, 0}, Row{0, 0, 0}}) {
    SCOPED_TRACE(row.count);
    RecordingReporter reporter;
    ProcessingContext ctx(reporter);
    ctx.SetProgressPosition(77);
    reporter.calls.clear();

    ctx.ResetProgress(row.count);

    const std::vector<std::string> expected = {FormatText("range %d %d", row.low, row.high),
                                               FormatText("pos %d", row.low)};
    EXPECT_EQ(reporter.calls, expected);
    const StageSnapshot stage = ctx.ReadStage();
    EXPECT_EQ(stage.progressLow, row.low);
    EXPECT_EQ(stage.progressHigh, row.high);
    EXPECT_EQ(stage.progressPos, row.low);
  }
}

// The positions a per-item countdown sets over count items after
// ResetProgress(count): decreased before each item, reset to step and the
// position set to the item's index when it reaches 0; count at the end.
std::vector<std::int32_t> PerItemCountdownPositions(std::int32_t count) {
  std::vector<std::int32_t> positions = {std::min<std::int32_t>(0, count)};
  const std::int32_t step = std::max<std::int32_t>(1, count / AppSettings::ProgressSteps);
  std::int32_t countdown = step;
  for (std::int32_t item = 0; item < count; ++item) {
    if (--countdown == 0) {
      countdown = step;
      positions.push_back(item);
    }
  }
  positions.push_back(count);
  return positions;
}

TEST(ProcessingContext, CountdownSetsThePositionsOfAPerItemCountdown) {
  for (const std::int32_t count : {300, 1000, 1001, 2500, 1, 0, -7}) {
    SCOPED_TRACE(count);
    RecordingReporter reporter;
    ProcessingContext ctx(reporter);

    ctx.ResetProgress(count);
    std::vector<std::int32_t> items;
    ProgressCountdown(count).ForEachChunk(ctx, kNeverStopped, [&](std::int32_t begin, std::int32_t end) {
      for (std::int32_t item = begin; item < end; ++item) items.push_back(item);
    });

    EXPECT_EQ(reporter.positions, PerItemCountdownPositions(count));
    EXPECT_EQ(ctx.ReadStage().progressPos, count);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(std::max(0, count)));
    for (std::size_t i = 0; i < items.size(); ++i) ASSERT_EQ(items[i], static_cast<std::int32_t>(i));
  }
}

TEST(ProcessingContext, AStopEndsTheCountdownBetweenTwoRuns) {
  RecordingReporter reporter;
  ProcessingContext ctx(reporter);
  StopRequest stop;
  std::int32_t processed = 0;
  const bool finished = ProgressCountdown(5000).ForEachChunk(ctx, stop, [&](std::int32_t begin, std::int32_t end) {
    processed += end - begin;
    if (processed >= 30) stop.Request();
  });
  EXPECT_FALSE(finished);
  EXPECT_EQ(processed, 30);  // three runs of ten, then no more
  EXPECT_NE(reporter.positions.back(), 5000);
}

TEST(ProcessingContext, CountdownStepsAreThoseOfTheProgressSteps) {
  // 300 / 500 is 0: every item; 1000 / 500 is 2: every second item.
  const std::vector<std::int32_t> every = PerItemCountdownPositions(300);
  ASSERT_EQ(every.size(), 302u);
  EXPECT_EQ(every[1], 0);
  EXPECT_EQ(every[300], 299);
  EXPECT_EQ(every[301], 300);
  const std::vector<std::int32_t> second = PerItemCountdownPositions(1000);
  ASSERT_EQ(second.size(), 502u);
  EXPECT_EQ(second[1], 1);
  EXPECT_EQ(second[2], 3);
  EXPECT_EQ(second[500], 999);
  EXPECT_EQ(second[501], 1000);
  EXPECT_EQ(ProgressCountdown(300).step(), 1);
  EXPECT_EQ(ProgressCountdown(1000).step(), 2);
  EXPECT_EQ(ProgressCountdown(-50).step(), 1);
}

TEST(ProcessingContext, KeepsStageAndTapeFileNumberForTheRefresh) {
  RecordingReporter reporter;
  ProcessingContext ctx(reporter);
  ctx.SetStage("Свёртка");
  ctx.SetTapeFileNumber(3);
  ctx.ResetProgress(10);
  ctx.SetProgressPosition(4);

  const StageSnapshot stage = ctx.ReadStage();
  EXPECT_EQ(stage.stageText, "Свёртка");
  EXPECT_EQ(stage.tapeFileNumber, 3);
  EXPECT_EQ(stage.progressLow, 0);
  EXPECT_EQ(stage.progressHigh, 10);
  EXPECT_EQ(stage.progressPos, 4);
  // The stage and the file number are for the refresh only.
  EXPECT_EQ(reporter.calls, (std::vector<std::string>{"range 0 10", "pos 0", "pos 4"}));
}

TEST(ProcessingContext, RefreshOnAnotherThreadSeesWholeStageTexts) {
  RecordingReporter reporter;
  ProcessingContext ctx(reporter);
  const std::string longStage(200, 'x');
  ctx.SetStage("a");
  std::atomic<bool> done{false};
  std::thread refresh([&] {
    while (!done.load()) {
      const std::string seen = ctx.ReadStage().stageText;
      ASSERT_TRUE(seen == "a" || seen == longStage) << seen.size();
    }
  });
  for (int i = 0; i < 20000; ++i) ctx.SetStage(i % 2 == 0 ? std::string_view(longStage) : std::string_view("a"));
  done = true;
  refresh.join();
}

TEST(ProcessingContext, ForwardsPathAndSizesToTheReporter) {
  RecordingReporter reporter;
  ProcessingContext ctx(reporter);
  ctx.ShowPath("/записи/tape01.wav");
  ctx.ShowAnalysisSizes(123456, 4);
  EXPECT_EQ(reporter.calls, (std::vector<std::string>{"path /записи/tape01.wav", "sizes 123456 4"}));
}

TEST(ProcessingContext, WorkLogGoesToThePaneAndOnlyWithStoreWorkLogToTheFile) {
  for (const bool store : {false, true}) {
    SCOPED_TRACE(store);
    TempDir dir;
    RecordingReporter reporter;
    ProcessingContext ctx(reporter);
    ctx.settings.StoreWorkLog = store ? 1 : 0;
    ctx.recording = LocateRecording(dir / "tape.wav");

    ctx.AppendWorkLog("Ошибка КС.\r\n");
    ctx.AppendWorkLog("100%");  // no formatting of its own

    EXPECT_EQ(reporter.pane, "Ошибка КС.\r\n100%");
    const auto file = dir / "!processing.log";
    EXPECT_EQ(std::filesystem::exists(file), store);
    if (store) {
      EXPECT_EQ(testing::ReadFileBytes(file), "\xCE\xF8\xE8\xE1\xEA\xE0 \xCA\xD1.\r\n100%");
    }
  }
}

// Directories in which "!processing.log" cannot be opened, also for root.
enum class Unopenable { kReadOnlyDirectory, kDirectoryInItsPlace, kDirectoryIsAFile };

std::filesystem::path MakeUnopenable(const TempDir& dir, Unopenable kind) {
  switch (kind) {
    case Unopenable::kReadOnlyDirectory:
      std::filesystem::create_directory(dir / "ro");
      std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
      return dir / "ro";
    case Unopenable::kDirectoryInItsPlace:
      std::filesystem::create_directories(dir / "d" / "!processing.log");
      return dir / "d";
    case Unopenable::kDirectoryIsAFile:
      testing::WriteFileBytes(dir / "plain", "x");
      return dir / "plain";
  }
  return {};
}

bool PermissionsStopWrites() { return ::geteuid() != 0; }

TEST(ProcessingContext, AWorkLogFileThatCannotBeOpenedIsSkippedAndThePaneStillGetsTheText) {
  for (const Unopenable kind :
       {Unopenable::kReadOnlyDirectory, Unopenable::kDirectoryInItsPlace, Unopenable::kDirectoryIsAFile}) {
    SCOPED_TRACE(static_cast<int>(kind));
    TempDir dir;
    const std::filesystem::path recordingDir = MakeUnopenable(dir, kind);
    const bool mustFail = kind != Unopenable::kReadOnlyDirectory || PermissionsStopWrites();

    if (mustFail) {
      EXPECT_NE(AppendToLogFile(recordingDir / "!processing.log", "x\n"), std::nullopt);
    }

    RecordingReporter reporter;
    ProcessingContext ctx(reporter);
    ctx.settings.StoreWorkLog = 1;
    ctx.recording = LocateRecording(recordingDir / "tape.wav");
    ctx.AppendWorkLog("Успешное распознавание.\r\n");
    EXPECT_EQ(reporter.pane, "Успешное распознавание.\r\n");
    if (kind == Unopenable::kDirectoryInItsPlace) {
      EXPECT_TRUE(std::filesystem::is_directory(recordingDir / "!processing.log"));
    } else if (mustFail) {
      EXPECT_FALSE(std::filesystem::exists(recordingDir / "!processing.log"));
    }
  }
}

}  // namespace
}  // namespace varnetta
