#pragma once

#include <atomic>

namespace varnetta {

// Asks the work to end: set once, by any thread; the long stages test it
// between their steps and end early.
class StopRequest {
 public:
  void Request() { requested_.store(true); }
  bool IsRequested() const { return requested_.load(); }

 private:
  std::atomic<bool> requested_{false};
};

}  // namespace varnetta
