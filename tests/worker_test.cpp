#include "app/Worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ProcessingContext.h"
#include "app/QueuedRecording.h"
#include "audio/WavWriter.h"
#include "recognition/LogFiles.h"
#include "settings/AppSettings.h"
#include "support/RecordingReporter.h"
#include "support/TapeRecordings.h"
#include "support/TempDir.h"

namespace varnetta {
namespace {

using testing::BinHolds;
using testing::BinNameOf;
using testing::ReadFileBytes;
using testing::RecordingReporter;
using testing::SampleTapeRecord;
using testing::TempDir;
using testing::WriteTapeRecording;

constexpr const char* kLoadingStage = "Загрузка файла";
constexpr const char* kQueueEmptyStage = "Все файлы обработаны, очередь пуста.";

// Far beyond what any scenario here needs, even under a sanitizer: a scenario
// that takes longer has hung.
constexpr auto kHangLimit = std::chrono::seconds(60);

// Runs the scenario on a thread of its own. One that does not end in time
// has deadlocked the worker; the test process is then ended, so that the
// suite goes on instead of hanging.
void RunBounded(const std::function<void()>& scenario) {
  std::future<void> done = std::async(std::launch::async, scenario);
  if (done.wait_for(kHangLimit) != std::future_status::ready) {
    std::fprintf(stderr, "the scenario did not end within %lld s: the worker hangs\n",
                 static_cast<long long>(kHangLimit.count()));
    std::abort();
  }
  done.get();
}

// Waits, without bound (RunBounded is the bound), until the condition holds.
void WaitUntil(const std::function<bool()>& condition) {
  while (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A worker on real recordings in a temporary directory, with a log of what it
// showed: "path <file name>" for each path taken, then "load" when the stage
// becomes the loading text and "end" when it becomes the end-of-queue text.
// The hooks run on the worker thread and may hold it where a test wants it.
class WorkerHarness {
 public:
  WorkerHarness() {
    reporter.onCall = [this](const std::string& call) { Observe(call); };
  }
  // The worker goes first: its thread may still use everything else.
  ~WorkerHarness() { worker.reset(); }

  // Writes a recording of one small tape file, named after the recording.
  TapeRecord AddRecording(const std::string& fileName, std::uint8_t seed) {
    TapeRecord record = SampleTapeRecord(std::filesystem::path(fileName).stem().string(), 300, seed);
    EXPECT_TRUE(WriteTapeRecording(dir / fileName, {record}));
    return record;
  }
  std::string PathOf(const std::string& name) const { return (dir / name).string(); }
  void Push(const std::string& name) { worker->Push(PathOf(name)); }

  // Waits until the worker has ended `count` passes over the queue.
  void WaitForPassEnds(int count) {
    std::unique_lock lock(passMutex_);
    passEnded_.wait(lock, [&] { return passEnds_ >= count; });
  }

  TempDir dir;
  RecordingReporter reporter;
  ProcessingContext context{reporter};
  SharedSettings settings;
  std::vector<std::string> shown;
  std::function<void(const std::string& path)> beforeJob;
  std::function<void(const std::string& path)> afterJob;
  std::function<void(const std::string& call)> onReport;
  std::unique_ptr<Worker> worker = std::make_unique<Worker>(context, [this](const std::string& path) {
    if (beforeJob) beforeJob(std::filesystem::path(path).filename().string());
    const bool goOn = LoadAndProcess(context, settings, path).processed.continueQueue;
    if (afterJob) afterJob(std::filesystem::path(path).filename().string());
    return goOn;
  });

 private:
  void Observe(const std::string& call) {
    if (call.starts_with("path ")) {
      shown.push_back("path " + std::filesystem::path(call.substr(5)).filename().string());
      lastStage_.clear();
    } else if (const std::string stage = context.ReadStage().stageText; stage != lastStage_) {
      lastStage_ = stage;
      if (stage == kLoadingStage) shown.push_back("load");
      if (stage == kQueueEmptyStage) {
        shown.push_back("end");
        std::lock_guard lock(passMutex_);
        ++passEnds_;
        passEnded_.notify_all();
      }
    }
    if (onReport) onReport(call);
  }

  std::string lastStage_;
  std::mutex passMutex_;
  std::condition_variable passEnded_;
  int passEnds_ = 0;
};

std::vector<std::string> Shown(std::initializer_list<const char*> items) { return {items.begin(), items.end()}; }

// The recordings that have an entry in the directory's list log, in order.
std::vector<std::string> ListedRecordings(const WorkerHarness& harness, const std::vector<std::string>& names) {
  const std::string listLog = ReadFileBytes(harness.dir / kListLogFileName);
  std::vector<std::pair<std::size_t, std::string>> found;
  for (const std::string& name : names) {
    const std::size_t at = listLog.find(harness.PathOf(name) + ":");
    if (at != std::string::npos) found.emplace_back(at, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> listed;
  for (const auto& entry : found) listed.push_back(entry.second);
  return listed;
}

TEST(Worker, TakesQueuedPathsInOrderInOnePassThatEndsWithTheEmptyQueueText) {
  WorkerHarness h;
  const std::vector<TapeRecord> records = {h.AddRecording("a.wav", 1), h.AddRecording("b.wav", 2),
                                           h.AddRecording("c.wav", 3)};
  std::atomic<bool> allQueued{false};
  // The first recording waits for the other two, so all three are queued
  // before the pass could end.
  h.beforeJob = [&](const std::string& name) {
    if (name == "a.wav") WaitUntil([&] { return allQueued.load(); });
  };

  RunBounded([&] {
    h.worker->Start();
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) h.Push(name);
    allQueued = true;
    h.WaitForPassEnds(1);
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "path b.wav", "load", "path c.wav", "load", "end"}));
  const StageSnapshot stage = h.context.ReadStage();
  EXPECT_EQ(stage.stageText, kQueueEmptyStage);
  EXPECT_EQ(stage.progressLow, 0);
  EXPECT_EQ(stage.progressHigh, 100);
  EXPECT_EQ(stage.progressPos, 0);
  EXPECT_EQ(ListedRecordings(h, {"a.wav", "b.wav", "c.wav"}), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
  for (const TapeRecord& record : records) {
    SCOPED_TRACE(BinNameOf(record));
    EXPECT_TRUE(BinHolds(h.dir / BinNameOf(record), record));
  }
}

TEST(Worker, TakesAPathQueuedDuringASweepInTheSamePassWithoutWaitingForTheSweep) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);
  const TapeRecord late = h.AddRecording("late.wav", 2);
  std::promise<void> sweeping;
  std::atomic<bool> pushed{false};
  // The worker is held inside the first sweep until the push has returned:
  // a push that waited for the sweep would never return.
  h.onReport = [&, first = true](const std::string& call) mutable {
    if (!first || !call.starts_with("pane ")) return;
    first = false;
    sweeping.set_value();
    WaitUntil([&] { return pushed.load(); });
  };

  RunBounded([&] {
    h.worker->Start();
    h.Push("a.wav");
    sweeping.get_future().wait();
    h.Push("late.wav");
    pushed = true;
    h.WaitForPassEnds(1);
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "path late.wav", "load", "end"}));
  EXPECT_TRUE(BinHolds(h.dir / BinNameOf(late), late));
}

TEST(Worker, WakesForPathsQueuedAfterAPassHasEnded) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);
  h.AddRecording("b.wav", 2);

  RunBounded([&] {
    h.worker->Start();
    h.Push("a.wav");
    h.WaitForPassEnds(1);
    h.Push("b.wav");
    h.WaitForPassEnds(2);
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "end", "path b.wav", "load", "end"}));
}

TEST(Worker, SkipsAFolderAFileThatIsNoRecordingAndAMissingPathAndGoesOn) {
  WorkerHarness h;
  std::filesystem::create_directory(h.dir / "folder.wav");
  testing::WriteFileBytes(h.dir / "notes.wav", "these are notes, not samples of a recording\n");
  const TapeRecord record = h.AddRecording("good.wav", 4);

  RunBounded([&] {
    for (const char* name : {"folder.wav", "notes.wav", "missing.wav", "good.wav"}) h.Push(name);
    h.worker->Start();
    h.WaitForPassEnds(1);
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path folder.wav", "load", "path notes.wav", "load", "path missing.wav", "load",
                            "path good.wav", "load", "end"}));
  EXPECT_EQ(ListedRecordings(h, {"folder.wav", "notes.wav", "missing.wav", "good.wav"}),
            std::vector<std::string>{"good.wav"});
  EXPECT_TRUE(BinHolds(h.dir / BinNameOf(record), record));
}

TEST(Worker, APassEndedByItsJobIsFollowedAtOnceByAPassForTheRest) {
  WorkerHarness h;
  AppSettings multiFile;
  multiFile.MultiFile = 1;
  h.settings.Store(multiFile);
  // Without any tuning sequence the driver ends the pass in MultiFile mode.
  std::string error;
  ASSERT_TRUE(WriteWavFile(h.dir / "silence.wav", std::vector<Signal>{Signal(50000, 0.0)}, 44100,
                           WavSampleFormat::Pcm16, error))
      << error;
  const TapeRecord record = h.AddRecording("good.wav", 6);

  RunBounded([&] {
    h.Push("silence.wav");
    h.Push("good.wav");
    h.worker->Start();
    h.WaitForPassEnds(2);
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path silence.wav", "load", "end", "path good.wav", "load", "end"}));
  EXPECT_TRUE(BinHolds(h.dir / BinNameOf(record), record));
}

TEST(Worker, SkipsAPathWhoseJobThrowsAndGoesOn) {
  struct Row {
    const char* name;
    std::function<void()> fail;
  };
  const Row rows[] = {
      {"allocation failure", [] { throw std::bad_alloc(); }},
      {"other exception", [] { throw std::runtime_error("broken"); }},
      {"not an exception class", [] { throw 7; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WorkerHarness h;
    const TapeRecord record = h.AddRecording("good.wav", 5);
    h.beforeJob = [&](const std::string& name) {
      if (name == "huge.wav") row.fail();
    };

    RunBounded([&] {
      h.Push("huge.wav");
      h.Push("good.wav");
      h.worker->Start();
      h.WaitForPassEnds(1);
      h.worker->StopWorker();
    });

    EXPECT_EQ(h.shown, Shown({"path huge.wav", "load", "path good.wav", "load", "end"}));
    EXPECT_TRUE(BinHolds(h.dir / BinNameOf(record), record));
  }
}

TEST(Worker, TakesTheSettingsAnewForEachRecording) {
  WorkerHarness h;
  const TapeRecord first = h.AddRecording("a.wav", 1);
  const TapeRecord second = h.AddRecording("b.wav", 2);
  h.afterJob = [&](const std::string& name) {
    if (name != "a.wav") return;
    AppSettings changed = h.settings.Snapshot();
    changed.UseLongBinFormat = 1;
    h.settings.Store(changed);
  };

  RunBounded([&] {
    h.Push("a.wav");
    h.Push("b.wav");
    h.worker->Start();
    h.WaitForPassEnds(1);
    h.worker->StopWorker();
  });

  const auto sizeOf = [&](const TapeRecord& record) { return std::filesystem::file_size(h.dir / BinNameOf(record)); };
  EXPECT_EQ(sizeOf(first), 4 + first.data.size());
  EXPECT_EQ(sizeOf(second), 22 + second.data.size());
}

// Where a stop meets the worker that has a.wav and b.wav queued.
enum class StopPoint {
  WhileDecoding,     // inside a.wav's sweep
  AfterARecording,   // a.wav decoded, b.wav not yet taken
  AfterAFailedLoad,  // a.wav is no recording, b.wav not yet taken
};

TEST(Worker, StopEndsTheWorkerPromptlyAndNoFurtherPathIsTaken) {
  struct Row {
    const char* name;
    StopPoint point;
    std::vector<std::string> shown;
    std::vector<std::string> listed;
  };
  const Row rows[] = {
      {"while decoding", StopPoint::WhileDecoding, Shown({"path a.wav", "load", "end"}), {}},
      {"after a recording", StopPoint::AfterARecording, Shown({"path a.wav", "load", "end"}), {"a.wav"}},
      {"after a failed load", StopPoint::AfterAFailedLoad, Shown({"path a.wav", "load", "end"}), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WorkerHarness h;
    if (row.point == StopPoint::AfterAFailedLoad) {
      testing::WriteFileBytes(h.dir / "a.wav", "no recording\n");
    } else {
      h.AddRecording("a.wav", 1);
    }
    h.AddRecording("b.wav", 2);
    std::promise<void> reached;
    // Holds the worker at the stop point until the stop has been requested.
    const auto holdForStop = [&] {
      reached.set_value();
      WaitUntil([&] { return h.context.stopRequested.IsRequested(); });
    };
    if (row.point == StopPoint::WhileDecoding) {
      h.onReport = [&, first = true](const std::string& call) mutable {
        if (first && call.starts_with("pane ")) {
          first = false;
          holdForStop();
        }
      };
    } else {
      h.afterJob = [&](const std::string& name) {
        if (name == "a.wav") holdForStop();
      };
    }

    RunBounded([&] {
      h.worker->Start();
      h.Push("a.wav");
      h.Push("b.wav");
      reached.get_future().wait();
      h.worker->StopWorker();
    });

    EXPECT_EQ(h.shown, row.shown);
    EXPECT_EQ(ListedRecordings(h, {"a.wav", "b.wav"}), row.listed);
  }
}

TEST(Worker, StopWhileIdleEndsTheWorkerBeforeAndAfterAPass) {
  for (const bool afterAPass : {false, true}) {
    SCOPED_TRACE(afterAPass ? "after a pass" : "before any path");
    WorkerHarness h;
    h.AddRecording("a.wav", 1);

    RunBounded([&] {
      h.worker->Start();
      if (afterAPass) {
        h.Push("a.wav");
        h.WaitForPassEnds(1);
      }
      h.worker->StopWorker();
      // Nothing takes a path once the worker has ended.
      h.Push("a.wav");
    });

    EXPECT_EQ(h.shown, afterAPass ? Shown({"path a.wav", "load", "end"}) : Shown({}));
    EXPECT_TRUE(h.context.stopRequested.IsRequested());
  }
}

TEST(Worker, StopWorkerTwiceReturnsBothTimes) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);

  RunBounded([&] {
    h.worker->Start();
    h.Push("a.wav");
    h.WaitForPassEnds(1);
    h.worker->StopWorker();
    h.worker->StopWorker();
  });

  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "end"}));
}

TEST(Worker, StopWorkerWithoutStartRequestsTheStopAndReturns) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);

  RunBounded([&] {
    h.Push("a.wav");
    h.worker->StopWorker();
    // A start after the stop ends at once, the queued path untaken.
    h.worker->Start();
    h.worker->StopWorker();
  });

  EXPECT_TRUE(h.context.stopRequested.IsRequested());
  EXPECT_TRUE(h.shown.empty());
}

TEST(Worker, StopWorkerCallsThePumpUntilTheWorkerHasEnded) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);
  std::promise<void> reached;
  std::atomic<bool> pumped{false};
  // The worker waits for the front end, as a window's reporter does: it ends
  // only once StopWorker has pumped events.
  h.onReport = [&, first = true](const std::string& call) mutable {
    if (!first || !call.starts_with("pane ")) return;
    first = false;
    reached.set_value();
    WaitUntil([&] { return pumped.load(); });
  };

  RunBounded([&] {
    h.worker->Start();
    h.Push("a.wav");
    reached.get_future().wait();
    h.worker->StopWorker([&] { pumped = true; });
  });

  EXPECT_TRUE(pumped);
  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "end"}));
}

TEST(Worker, DestructorStopsAWorkerThatIsDecoding) {
  WorkerHarness h;
  h.AddRecording("a.wav", 1);
  h.AddRecording("b.wav", 2);
  std::promise<void> reached;
  h.onReport = [&, first = true](const std::string& call) mutable {
    if (!first || !call.starts_with("pane ")) return;
    first = false;
    reached.set_value();
    WaitUntil([&] { return h.context.stopRequested.IsRequested(); });
  };

  RunBounded([&] {
    h.worker->Start();
    h.Push("a.wav");
    h.Push("b.wav");
    reached.get_future().wait();
    h.worker.reset();
  });

  EXPECT_TRUE(h.context.stopRequested.IsRequested());
  EXPECT_EQ(h.shown, Shown({"path a.wav", "load", "end"}));
}

}  // namespace
}  // namespace varnetta
