#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/FileQueue.h"

namespace varnetta {

class ProcessingContext;

// The one worker thread: takes the queued paths in order and has each one
// loaded and processed, while the front end only queues paths and shows
// progress.
class Worker {
 public:
  // Loads and processes one path; false ends the current pass over the queue.
  // A job that throws has its path skipped, and the pass goes on.
  using Job = std::function<bool(const std::string& path)>;

  // The context must outlive the worker.
  Worker(ProcessingContext& context, Job job);
  // Stops the worker (without pumping events) if it still runs.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  void Start();
  // Queues a path and wakes the worker; never waits for the worker's work.
  void Push(std::string path);
  // Asks the processing to stop and the worker to end, and returns once it
  // has ended. While waiting it calls pumpEvents (when given) again and
  // again, so that a front end keeps handling what the worker sends it.
  // Safe to call more than once.
  void StopWorker(const std::function<void()>& pumpEvents = {});

 private:
  void WorkerLoop();
  // Processes queued paths until the queue is empty or a job ends the pass.
  void RunPass();
  // Shows the path and runs the job on it; false ends the pass.
  bool TakePath(const std::string& path);
  bool WaitForWork();
  void Wake();

  ProcessingContext& context_;
  Job job_;
  FileQueue queue_;
  std::thread thread_;
  std::atomic<bool> exitRequested_{false};
  std::condition_variable queueSignal_;
  std::mutex waitMutex_;
  std::mutex aliveMutex_;
  bool started_ = false;
};

}  // namespace varnetta
