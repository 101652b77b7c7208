#include "dsp/Convolution.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

namespace varnetta {

namespace {

// Outputs computed together, one vector lane each, while the taps go by:
// enough lanes for several independent vectors, so that the additions of one
// output (which must stay in tap order) do not wait on one another.
constexpr std::size_t kBlock = 32;
using FullBlock = std::integral_constant<std::size_t, kBlock>;

bool Overlaps(SignalView source, std::span<const double> target) {
  const std::less<const double*> before;
  return !source.empty() && !target.empty() && before(source.data(), target.data() + target.size()) &&
         before(target.data(), source.data() + source.size());
}

// An output near the start, where only the taps 0 .. i reach into the signal.
[[gnu::always_inline]] inline double ConvolveHeadSample(std::span<const double> kernel, const double* source, std::size_t i) {
  double sum = 0.0;
  for (std::size_t k = 0; k <= i; ++k) sum += kernel[k] * source[i - k];
  return sum;
}

// Outputs first .. first + count - 1, all of which see every tap
// (first >= H - 1). The loop over outputs is the inner one: it vectorises
// while each output still adds its own taps in increasing k. A FullBlock count
// is a compile-time constant, which lets the compiler vectorise without a
// scalar remainder.
template <typename Count>
[[gnu::always_inline]] inline void ConvolveSteadyRun(std::span<const double> kernel, const double* source, double* target, std::size_t first,
                       Count count) {
  double sums[kBlock];
  for (std::size_t j = 0; j < count; ++j) sums[j] = 0.0;
  for (std::size_t k = 0; k < kernel.size(); ++k) {
    const double tap = kernel[k];
    const double* window = source + (first - k);
    for (std::size_t j = 0; j < count; ++j) sums[j] += tap * window[j];
  }
  for (std::size_t j = 0; j < count; ++j) target[first + j] = sums[j];
}

[[gnu::always_inline]] inline void ConvolveRangeBody(std::span<const double> kernel, const double* source,
                                                     double* target, std::size_t begin, std::size_t end) {
  const std::size_t steadyFrom = kernel.empty() ? 0 : kernel.size() - 1;
  std::size_t i = begin;
  for (; i < std::min(end, steadyFrom); ++i) target[i] = ConvolveHeadSample(kernel, source, i);
  for (; end - i >= kBlock; i += kBlock) ConvolveSteadyRun(kernel, source, target, i, FullBlock{});
  if (i < end) ConvolveSteadyRun(kernel, source, target, i, end - i);
}

using RangeConvolver = void (*)(std::span<const double>, const double*, double*, std::size_t, std::size_t);

void ConvolveRangeBaseline(std::span<const double> kernel, const double* source, double* target, std::size_t begin,
                           std::size_t end) {
  ConvolveRangeBody(kernel, source, target, begin, end);
}

// The same loops compiled for wider vector units, chosen by what the processor
// has; every lane still multiplies and adds separately, in the same order. The
// choice is made at the first call rather than by the loader, which would run
// it before a sanitizer's runtime is ready.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void ConvolveRangeAvx2(std::span<const double> kernel, const double* source,
                                                       double* target, std::size_t begin, std::size_t end) {
  ConvolveRangeBody(kernel, source, target, begin, end);
}

__attribute__((target("avx512f"))) void ConvolveRangeAvx512(std::span<const double> kernel, const double* source,
                                                            double* target, std::size_t begin, std::size_t end) {
  ConvolveRangeBody(kernel, source, target, begin, end);
}

RangeConvolver ChooseRangeConvolver() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return ConvolveRangeAvx512;
  if (__builtin_cpu_supports("avx2")) return ConvolveRangeAvx2;
  return ConvolveRangeBaseline;
}
#else
RangeConvolver ChooseRangeConvolver() { return ConvolveRangeBaseline; }
#endif

void ConvolveRange(std::span<const double> kernel, const double* source, double* target, std::size_t begin,
                   std::size_t end) {
  static const RangeConvolver convolve = ChooseRangeConvolver();
  convolve(kernel, source, target, begin, end);
}

}  // namespace

void ApplyKernelInPlace(std::span<const double> kernel, std::span<double> signal, std::string_view stageText,
                        ProgressSink& progress) {
  if (signal.size() > static_cast<std::size_t>(kMaxSignalLength)) return;
  const auto count = static_cast<std::int32_t>(signal.size());
  progress.ResetProgress(count);
  progress.SetStage(stageText);
  const std::size_t history = kernel.empty() ? 0 : kernel.size() - 1;
  std::vector<double> originals;
  ProgressCountdown(count).ForEachChunk(progress, [&](std::int32_t begin, std::int32_t end) {
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
                 std::string_view stageText, ProgressSink& progress) {
  if (source.size() > static_cast<std::size_t>(kMaxSignalLength)) return;
  if (target.size() < source.size() || Overlaps(source, target)) return;
  const auto count = static_cast<std::int32_t>(source.size());
  progress.ResetProgress(count);
  progress.SetStage(stageText);
  ProgressCountdown(count).ForEachChunk(progress, [&](std::int32_t begin, std::int32_t end) {
    ConvolveRange(kernel, source.data(), target.data(), static_cast<std::size_t>(begin),
                  static_cast<std::size_t>(end));
  });
}

}  // namespace varnetta
