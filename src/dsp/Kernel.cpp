#include "dsp/Kernel.h"

#include <cmath>

namespace varnetta {

namespace {

constexpr double kPi = 3.141592653589793;

// The taps sin((k + k) * pi / L) of a full period or sin(k * pi / L) of a half
// period, the argument formed in double exactly in this order.
void AppendSineTaps(std::vector<double>& kernel, std::int32_t length, bool fullPeriod, ProgressSink& progress) {
  if (length <= 0) return;
  kernel.reserve(static_cast<std::size_t>(length));
  const double divisor = length;
  for (std::int32_t k = 0; k < length; ++k) {
    progress.SetProgressPosition(k);
    const double position = k;
    // k + k in double: exact, and free of the int overflow beyond 2^30 taps.
    const double numerator = fullPeriod ? position + position : position;
    kernel.push_back(std::sin(numerator * kPi / divisor));
  }
}

}  // namespace

void BuildKernel(std::vector<double>& kernel, std::int32_t length, KernelKind kind, ProgressSink& progress) {
  kernel.clear();
  progress.ResetProgress(length);
  switch (kind) {
    case KernelKind::CentralDifference:
      kernel = {1.0, 0.0, -1.0};
      break;
    case KernelKind::StepPair:
      kernel = {-1.0, 1.0};
      break;
    case KernelKind::SinePeriod:
      AppendSineTaps(kernel, length, true, progress);
      break;
    case KernelKind::HalfSine:
      AppendSineTaps(kernel, length, false, progress);
      break;
  }
}

}  // namespace varnetta
