#include "app/FileQueue.h"

#include <utility>

namespace varnetta {

void FileQueue::Push(std::string path) {
  std::lock_guard lock(lock_);
  paths_.push_back(std::move(path));
}

std::optional<std::string> FileQueue::PopFront() {
  std::lock_guard lock(lock_);
  if (paths_.empty()) return std::nullopt;
  std::string path = std::move(paths_.front());
  paths_.pop_front();
  return path;
}

std::size_t FileQueue::Size() const {
  std::lock_guard lock(lock_);
  return paths_.size();
}

}  // namespace varnetta
