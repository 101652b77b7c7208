#include "app/Worker.h"

#include <chrono>
#include <future>
#include <utility>

#include "app/ProcessingContext.h"

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
  context_.stopRequested = true;
  exitRequested_ = true;
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
    context_.ShowPath(*path);
    context_.SetStage("Загрузка файла");
    context_.ResetProgress(100);
    if (!job_(*path)) break;
  }
  context_.SetStage("Все файлы обработаны, очередь пуста.");
  context_.ResetProgress(100);
}

void Worker::Wake() {
  // Taking the wait lock between the change and the notification means the
  // worker is either before its test of the queue or already waiting, so the
  // wake-up cannot fall between the two.
  { std::lock_guard lock(waitMutex_); }
  queueSignal_.notify_one();
}

}  // namespace varnetta
