#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "recognition/AheadPasses.h"

namespace varnetta {
namespace {

// A recognition that only marks its record with its own number.
AheadPasses::Task Numbered(std::int32_t number, std::atomic<int>* runs = nullptr) {
  return [number, runs] {
    if (runs != nullptr) ++*runs;
    PassRecognition result;
    result.record.tuneStart = number;
    result.report.AppendWorkLog("pass " + std::to_string(number));
    return result;
  };
}

TEST(AheadPasses, EachTakeGivesItsOwnTasksResult) {
  for (std::size_t count : {1u, 2u, 9u, 15u}) {
    SCOPED_TRACE(count);
    std::vector<AheadPasses::Task> tasks;
    for (std::size_t i = 0; i < count; ++i) tasks.push_back(Numbered(static_cast<std::int32_t>(i)));
    AheadPasses ahead(std::move(tasks), std::vector<bool>(count, true));
    for (std::size_t i = 0; i < count; ++i) {
      const PassRecognition result = ahead.Take(i);
      EXPECT_EQ(result.record.tuneStart, static_cast<std::int32_t>(i));
      EXPECT_EQ(result.report.messages, std::vector<std::string>{"pass " + std::to_string(i)});
    }
  }
}

TEST(AheadPasses, ATaskNotReadyWaitsForItsRelease) {
  std::atomic<int> heldRuns{0};
  std::vector<AheadPasses::Task> tasks{Numbered(0, &heldRuns), Numbered(1), Numbered(2)};
  AheadPasses ahead(std::move(tasks), {false, true, true});
  EXPECT_EQ(ahead.Take(2).record.tuneStart, 2);
  EXPECT_EQ(ahead.Take(1).record.tuneStart, 1);
  EXPECT_EQ(heldRuns.load(), 0);  // nobody may start it yet
  ahead.Release(0);
  ahead.Await(0);
  EXPECT_EQ(heldRuns.load(), 1);
  EXPECT_EQ(ahead.Take(0).record.tuneStart, 0);
}

TEST(AheadPasses, AbandonedTasksThatNeverBecameReadyNeverRun) {
  std::atomic<int> runs{0};
  {
    std::vector<AheadPasses::Task> tasks{Numbered(0, &runs), Numbered(1, &runs), Numbered(2, &runs)};
    AheadPasses ahead(std::move(tasks), {false, false, false});
  }
  EXPECT_EQ(runs.load(), 0);
}

TEST(AheadPasses, AFailingTaskFailsItsTakeOnly) {
  std::vector<AheadPasses::Task> tasks{Numbered(0), [] () -> PassRecognition { throw std::runtime_error("bad"); },
                                       Numbered(2)};
  AheadPasses ahead(std::move(tasks), {true, true, true});
  EXPECT_EQ(ahead.Take(0).record.tuneStart, 0);
  EXPECT_THROW(ahead.Take(1), std::runtime_error);
  EXPECT_EQ(ahead.Take(2).record.tuneStart, 2);
}

}  // namespace
}  // namespace varnetta
