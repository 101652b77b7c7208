#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace varnetta {

// The paths waiting for the worker, first in first out. Each operation takes
// the lock for its own duration only.
class FileQueue {
 public:
  void Push(std::string path);
  // The path at the front, removed; nothing when the queue is empty.
  std::optional<std::string> PopFront();
  std::size_t Size() const;

 private:
  mutable std::recursive_mutex lock_;
  std::deque<std::string> paths_;
};

}  // namespace varnetta
