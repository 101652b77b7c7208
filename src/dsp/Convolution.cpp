#include "dsp/Convolution.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "common/VectorUnits.h"

namespace varnetta {

namespace {

// Outputs computed together while the taps go by: four independent vectors
// of eight lanes, so that the additions of one output (which must stay in
// tap order) do not wait on one another.
constexpr std::size_t kLanes = 8;
constexpr std::size_t kBlock = 4 * kLanes;

// Eight outputs side by side. GCC's vector extension lowers it to whatever
// the target has; each lane still multiplies and adds on its own.
using Lanes = double __attribute__((vector_size(kLanes * sizeof(double))));

// sums += taps * the eight samples from window on, lane by lane.
[[gnu::always_inline]] inline void AddProducts(Lanes& sums, const Lanes& taps, const double* window) {
  Lanes samples;
  std::memcpy(&samples, window, sizeof samples);
  sums += taps * samples;
}

[[gnu::always_inline]] inline void StoreLanes(const Lanes& lanes, double* samples) {
  std::memcpy(samples, &lanes, sizeof lanes);
}

bool Overlaps(SignalView source, std::span<const double> target) {
  const std::less<const double*> before;
  return !source.empty() && !target.empty() && before(source.data(), target.data() + target.size()) &&
         before(target.data(), source.data() + source.size());
}

// An output near the start, where only the taps 0 .. i reach into the signal.
[[gnu::always_inline]] inline double ConvolveHeadSample(std::span<const double> kernel, const double* source,
                                                        std::size_t i) {
  double sum = 0.0;
  for (std::size_t k = 0; k <= i; ++k) sum += kernel[k] * source[i - k];
  return sum;
}

// Outputs first .. first + count - 1, all of which see every tap
// (first >= H - 1). The loop over outputs is the inner one, so that each
// output still adds its own taps in increasing k.
[[gnu::always_inline]] inline void ConvolveSteadyRun(std::span<const double> kernel, const double* source,
                                                     double* target, std::size_t first, std::size_t count) {
  double sums[kBlock] = {};
  for (std::size_t k = 0; k < kernel.size(); ++k) {
    const double tap = kernel[k];
    const double* window = source + (first - k);
    for (std::size_t j = 0; j < count; ++j) sums[j] += tap * window[j];
  }
  for (std::size_t j = 0; j < count; ++j) target[first + j] = sums[j];
}

// The same for a whole block, its sums held in registers.
[[gnu::always_inline]] inline void ConvolveSteadyBlock(std::span<const double> kernel, const double* source,
                                                       double* target, std::size_t first) {
  Lanes sums0{}, sums1{}, sums2{}, sums3{};
  for (std::size_t k = 0; k < kernel.size(); ++k) {
    const double tap = kernel[k];
    const Lanes taps = {tap, tap, tap, tap, tap, tap, tap, tap};
    const double* window = source + (first - k);
    AddProducts(sums0, taps, window);
    AddProducts(sums1, taps, window + kLanes);
    AddProducts(sums2, taps, window + 2 * kLanes);
    AddProducts(sums3, taps, window + 3 * kLanes);
  }
  StoreLanes(sums0, target + first);
  StoreLanes(sums1, target + first + kLanes);
  StoreLanes(sums2, target + first + 2 * kLanes);
  StoreLanes(sums3, target + first + 3 * kLanes);
}

[[gnu::always_inline]] inline void ConvolveRangeBody(std::span<const double> kernel, const double* source,
                                                     double* target, std::size_t begin, std::size_t end) {
  const std::size_t steadyFrom = kernel.empty() ? 0 : kernel.size() - 1;
  std::size_t i = begin;
  for (; i < std::min(end, steadyFrom); ++i) target[i] = ConvolveHeadSample(kernel, source, i);
  for (; end - i >= kBlock; i += kBlock) ConvolveSteadyBlock(kernel, source, target, i);
  if (i < end) ConvolveSteadyRun(kernel, source, target, i, end - i);
}

// The same loops compiled for wider vector units; every lane still
// multiplies and adds separately, in the same order.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void ConvolveRangeAvx2(std::span<const double> kernel, const double* source,
                                                       double* target, std::size_t begin, std::size_t end) {
  ConvolveRangeBody(kernel, source, target, begin, end);
}

__attribute__((target("avx512f"))) void ConvolveRangeAvx512(std::span<const double> kernel, const double* source,
                                                            double* target, std::size_t begin, std::size_t end) {
  ConvolveRangeBody(kernel, source, target, begin, end);
}
#endif

void ConvolveRange(std::span<const double> kernel, const double* source, double* target, std::size_t begin,
                   std::size_t end) {
#if defined(__x86_64__) && defined(__GNUC__)
  switch (AvailableVectorUnit()) {
    case VectorUnit::Avx512: return ConvolveRangeAvx512(kernel, source, target, begin, end);
    case VectorUnit::Avx2: return ConvolveRangeAvx2(kernel, source, target, begin, end);
    case VectorUnit::Baseline: break;
  }
#endif
  ConvolveRangeBody(kernel, source, target, begin, end);
}

}  // namespace

void ApplyKernelInPlace(std::span<const double> kernel, std::span<double> signal, std::string_view stageText,
                        ProgressSink& progress, const StopRequest& stop) {
  if (signal.size() > static_cast<std::size_t>(kMaxSignalLength)) return;
  const auto count = static_cast<std::int32_t>(signal.size());
  progress.ResetProgress(count);
  progress.SetStage(stageText);
  const std::size_t history = kernel.empty() ? 0 : kernel.size() - 1;
  std::vector<double> originals;
  ProgressCountdown(count).ForEachChunk(progress, stop, [&](std::int32_t begin, std::int32_t end) {
    const auto b = static_cast<std::size_t>(begin);
    const auto e = static_cast<std::size_t>(end);
    // The run reads the original samples from b - H + 1 on: those before b
    // were overwritten already and are kept from the previous run. Relative
    // to that start b lies at H - 1 (or it is the start itself), so the
    // taps reach exactly as far back as they would from b.
    const std::size_t low = b > history ? b - history : 0;
    originals.erase(originals.begin(), originals.end() - static_cast<std::ptrdiff_t>(b - low));
    originals.insert(originals.end(), signal.begin() + static_cast<std::ptrdiff_t>(b),
                     signal.begin() + static_cast<std::ptrdiff_t>(e));
    ConvolveRange(kernel, originals.data(), signal.data() + low, b - low, e - low);
  });
}

void ApplyKernel(std::span<const double> kernel, SignalView source, std::span<double> target,
                 std::string_view stageText, ProgressSink& progress, const StopRequest& stop) {
  if (source.size() > static_cast<std::size_t>(kMaxSignalLength)) return;
  if (target.size() < source.size() || Overlaps(source, target)) return;
  const auto count = static_cast<std::int32_t>(source.size());
  progress.ResetProgress(count);
  progress.SetStage(stageText);
  ProgressCountdown(count).ForEachChunk(progress, stop, [&](std::int32_t begin, std::int32_t end) {
    ConvolveRange(kernel, source.data(), target.data(), static_cast<std::size_t>(begin),
                  static_cast<std::size_t>(end));
  });
}

}  // namespace varnetta
