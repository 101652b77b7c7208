#pragma once

#include <cstddef>
#include <exception>
#include <thread>

namespace varnetta {

// Calls work(i) for every i below count, the odd ones on a second thread.
// Meant for work bound by writing fresh memory, such as filling the channels
// of a long recording: the system backs new pages on both cores at once.
// An exception from either thread is passed on once both are done.
template <class Work>
void ForEachOnTwoThreads(std::size_t count, Work work) {
  const auto every = [&](std::size_t first) {
    for (std::size_t i = first; i < count; i += 2) work(i);
  };
  if (count < 2) {
    every(0);
    return;
  }
  std::exception_ptr helperFailure;
  std::thread helper([&] {
    try {
      every(1);
    } catch (...) {
      helperFailure = std::current_exception();
    }
  });
  try {
    every(0);
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (helperFailure) std::rethrow_exception(helperFailure);
}

}  // namespace varnetta
