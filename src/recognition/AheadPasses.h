#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tape/DecodingState.h"
#include "tape/RecognitionStage.h"
#include "tape/TapeFile.h"
#include "tape/WorkLogSink.h"

namespace varnetta {

// The work-log messages of a recognition, kept to be written later.
class BufferedWorkLog final : public WorkLogSink {
 public:
  void AppendWorkLog(std::string_view message) override { messages.emplace_back(message); }
  std::vector<std::string> messages;
};

// What one pass's recognition gave, on a parser of its own.
struct PassRecognition {
  BufferedWorkLog report;
  TapeFile record;
  RecognitionStage stage = RecognitionStage::Tuning;
  std::optional<std::vector<std::uint8_t>> data;  // the bytes it read, from its data stage on
  DecodingState finalState;                       // where its parser ended
};

// Runs the recognitions of a sweep's passes on a second thread as well,
// ahead of the order in which the sweep uses them. The recognitions of the
// passes are independent of one another (each starts from a reset parser);
// only their effects (report, saving, tallies) must follow the pass order,
// and those are left to whoever calls Take, in order, on its own thread.
//
// Tasks marked not ready at the start (they read channels still being made)
// wait for ReleaseAll. Without a second thread to be had, every task runs on
// the thread that awaits it. Destroying the object abandons the tasks not
// begun and waits for the one the second thread is running.
class AheadPasses {
 public:
  using Task = std::function<PassRecognition()>;

  AheadPasses(std::vector<Task> tasks, const std::vector<bool>& readyAtStart);
  ~AheadPasses();
  AheadPasses(const AheadPasses&) = delete;
  AheadPasses& operator=(const AheadPasses&) = delete;

  // Task index, or every task, may start now.
  void Release(std::size_t index);
  void ReleaseAll();
  // Returns when task index is done: runs it here when it has not begun, and
  // while the second thread is running it, runs other waiting tasks meanwhile.
  void Await(std::size_t index);
  // The result of task index, awaited first; taken only once.
  PassRecognition Take(std::size_t index);

 private:
  enum class State { Waiting, Running, Done };

  struct Slot {
    Task task;
    bool ready = false;
    State state = State::Waiting;
    PassRecognition result;
    std::exception_ptr failure;
  };

  // The first waiting task that may start, or none; with mutex_ held.
  Slot* NextStartable();
  // Runs a task claimed with mutex_ held, releasing it meanwhile.
  void Run(Slot& slot, std::unique_lock<std::mutex>& lock);
  void HelpOut();
  void AwaitLocked(Slot& wanted, std::unique_lock<std::mutex>& lock);

  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool abandoned_ = false;
  std::thread helper_;
};

}  // namespace varnetta
