#include "common/LargeBuffers.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace varnetta {

namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
// Samples zeroed between two tests of the stop request.
constexpr std::size_t kZeroBlockSamples = std::size_t{1} << 22;

}  // namespace

void AdviseHugePages(void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  // Only whole huge pages inside the buffer can be backed by one.
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePageBytes - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void ReserveSignal(Signal& signal, std::size_t samples) {
  if (samples <= signal.capacity()) return;
  Signal larger;
  larger.reserve(samples);
  AdviseHugePages(larger.data(), samples * sizeof(double));
  larger.insert(larger.end(), signal.begin(), signal.end());
  signal.swap(larger);
}

bool ZeroSignal(Signal& signal, std::size_t samples, const StopRequest& stop) {
  ReserveSignal(signal, samples);
  signal.clear();
  while (signal.size() < samples) {
    if (stop.IsRequested()) return false;
    signal.resize(std::min(samples, signal.size() + kZeroBlockSamples), 0.0);
  }
  return true;
}

}  // namespace varnetta
