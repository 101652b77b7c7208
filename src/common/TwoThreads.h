#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

namespace varnetta {

// Calls work(i) for every i below count, the odd ones on a second thread.
// Meant for a few long, independent loops over the channels of a recording,
// such as filling them (the system backs their new pages on both cores at
// once) or summing them.
// An exception from either thread is passed on once both are done; without
// a second thread to be had, all of the work is done on this one.
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
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        every(1);
      } catch (...) {
        helperFailure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: all on this one.
    every(0);
    every(1);
    return;
  }
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
