#include "app/Worker.h"

#include <chrono>
#include <future>
#include <utility>

#include "app/ProcessingContext.h"
#include "app/SkippedRecording.h"

namespace varnetta {

Worker::Worker(ProcessingContext& context, Job job) : context_(context), job_(std::move(job)) {}

Worker::~Worker() { StopWorker(); }

void Worker::Start() {
  if (started_) return;
  started_ = true;
  // The thread holds aliveMutex for its whole life; wait until it has it, so
  // that a stop that follows at once cannot take it first.
  std::promise<void> holding;
  std::future<void> held = holding.get_future();
  thread_ = std::thread([this, &holding] {
    std::unique_lock alive(aliveMutex_);
    holding.set_value();
    WorkerLoop();
  });
  held.wait();
}

void Worker::Push(std::string path) {
  queue_.Push(std::move(path));
  Wake();
}

void Worker::StopWorker(const std::function<void()>& pumpEvents) {
  // Exit first: a worker that sees the stop (a sweep ending early, or a job
  // that waits for it) then also sees the exit, and takes no further path.
  exitRequested_ = true;
  context_.stopRequested.Request();
  Wake();
  if (!started_) return;
  while (!aliveMutex_.try_lock()) {
    if (pumpEvents) {
      pumpEvents();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  aliveMutex_.unlock();
  if (thread_.joinable()) thread_.join();
}

void Worker::WorkerLoop() {
  while (WaitForWork()) RunPass();
}

bool Worker::WaitForWork() {
  std::unique_lock lock(waitMutex_);
  queueSignal_.wait(lock, [this] { return exitRequested_ || queue_.Size() > 0; });
  return !exitRequested_;
}

void Worker::RunPass() {
  // The exit request is tested before every path, so nothing is taken from
  // the queue once the worker is asked to end.
  while (!exitRequested_) {
    std::optional<std::string> path = queue_.PopFront();
    if (!path) break;
    if (!TakePath(*path)) break;
  }
  context_.SetStage("Все файлы обработаны, очередь пуста.");
  context_.ResetProgress(100);
}

bool Worker::TakePath(const std::string& path) {
  // Whatever a job lets escape skips its path only: the worker goes on.
  try {
    context_.ShowPath(path);
    context_.SetStage("Загрузка файла");
    context_.ResetProgress(100);
    return job_(path);
  } catch (...) {
    ReportSkippedRecording(path);
  }
  return true;
}

void Worker::Wake() {
  // Taking the wait lock between the change and the notification means the
  // worker is either before its test of the queue or already waiting, so the
  // wake-up cannot fall between the two.
  { std::lock_guard lock(waitMutex_); }
  queueSignal_.notify_one();
}

}  // namespace varnetta
