#include "recognition/AheadPasses.h"

#include <system_error>
#include <utility>

namespace varnetta {

AheadPasses::AheadPasses(std::vector<Task> tasks, const std::vector<bool>& readyAtStart) : slots_(tasks.size()) {
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    slots_[i].task = std::move(tasks[i]);
    slots_[i].ready = i < readyAtStart.size() && readyAtStart[i];
  }
  // Without a second task there is nothing to overlap.
  if (slots_.size() < 2) return;
  try {
    helper_ = std::thread([this] { HelpOut(); });
  } catch (const std::system_error&) {
    // No second thread: Await and Take run every task here.
  }
}

AheadPasses::~AheadPasses() {
  {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
  }
  changed_.notify_all();
  if (helper_.joinable()) helper_.join();
}

void AheadPasses::Release(std::size_t index) {
  {
    std::lock_guard lock(mutex_);
    slots_[index].ready = true;
  }
  changed_.notify_all();
}

void AheadPasses::ReleaseAll() {
  {
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) slot.ready = true;
  }
  changed_.notify_all();
}

AheadPasses::Slot* AheadPasses::NextStartable() {
  for (Slot& slot : slots_) {
    if (slot.ready && slot.state == State::Waiting) return &slot;
  }
  return nullptr;
}

void AheadPasses::Run(Slot& slot, std::unique_lock<std::mutex>& lock) {
  slot.state = State::Running;
  lock.unlock();
  PassRecognition result;
  std::exception_ptr failure;
  try {
    result = slot.task();
  } catch (...) {
    failure = std::current_exception();
  }
  lock.lock();
  slot.result = std::move(result);
  slot.failure = failure;
  slot.state = State::Done;
  changed_.notify_all();
}

void AheadPasses::HelpOut() {
  std::unique_lock lock(mutex_);
  while (!abandoned_) {
    if (Slot* slot = NextStartable()) {
      Run(*slot, lock);
      continue;
    }
    bool allBegun = true;
    for (const Slot& s : slots_) allBegun = allBegun && s.state != State::Waiting;
    if (allBegun) return;
    changed_.wait(lock);
  }
}

void AheadPasses::AwaitLocked(Slot& wanted, std::unique_lock<std::mutex>& lock) {
  wanted.ready = true;
  while (wanted.state != State::Done) {
    if (wanted.state == State::Waiting) {
      Run(wanted, lock);
    } else if (Slot* other = NextStartable()) {
      Run(*other, lock);
    } else {
      changed_.wait(lock);
    }
  }
}

void AheadPasses::Await(std::size_t index) {
  std::unique_lock lock(mutex_);
  AwaitLocked(slots_[index], lock);
}

PassRecognition AheadPasses::Take(std::size_t index) {
  std::unique_lock lock(mutex_);
  Slot& wanted = slots_[index];
  AwaitLocked(wanted, lock);
  if (wanted.failure) std::rethrow_exception(wanted.failure);
  return std::move(wanted.result);
}

}  // namespace varnetta
