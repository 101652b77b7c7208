#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "dsp/Convolution.h"
#include "dsp/Kernel.h"
#include "support/RecordingProgressSink.h"

namespace varnetta {
namespace {

// A stop that is never requested.
const StopRequest kNeverStopped;

using test::RecordingProgressSink;

std::vector<double> Kernel(std::int32_t length, KernelKind kind) {
  RecordingProgressSink sink;
  std::vector<double> kernel;
  BuildKernel(kernel, length, kind, sink);
  return kernel;
}

Signal Convolve(std::span<const double> kernel, const Signal& source) {
  RecordingProgressSink sink;
  Signal target(source.size(), 7.0);
  ApplyKernel(kernel, source, target, "Свёртка", sink, kNeverStopped);
  return target;
}

// The convolution written the plainest way: each output sums its taps from 0.0 up.
Signal ReferenceConvolve(const std::vector<double>& kernel, const Signal& source) {
  Signal target(source.size());
  for (std::size_t i = 0; i < source.size(); ++i) {
    double sum = 0.0;
    for (std::size_t k = 0; k < kernel.size() && k <= i; ++k) sum += kernel[k] * source[i - k];
    target[i] = sum;
  }
  return target;
}

TEST(BuildKernel, FixedShapesIgnoreTheLength) {
  struct Case {
    KernelKind kind;
    std::int32_t length;
    std::vector<double> taps;
  };
  const Case cases[] = {
      {KernelKind::CentralDifference, 4, {1.0, 0.0, -1.0}},  {KernelKind::CentralDifference, 0, {1.0, 0.0, -1.0}},
      {KernelKind::CentralDifference, 11, {1.0, 0.0, -1.0}}, {KernelKind::StepPair, 4, {-1.0, 1.0}},
      {KernelKind::StepPair, -2, {-1.0, 1.0}},               {KernelKind::StepPair, 9, {-1.0, 1.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << ", length " << c.length);
    RecordingProgressSink sink;
    std::vector<double> kernel = {5.0, 5.0, 5.0, 5.0, 5.0};
    BuildKernel(kernel, c.length, c.kind, sink);
    EXPECT_EQ(kernel, c.taps);
    EXPECT_EQ(sink.calls, std::vector<std::string>{"reset " + std::to_string(c.length)});
  }
}

TEST(BuildKernel, SineShapesFollowTheirPeriod) {
  const double h = std::sqrt(0.5);
  struct Case {
    KernelKind kind;
    std::int32_t length;
    std::vector<double> taps;
  };
  const Case cases[] = {
      {KernelKind::SinePeriod, 4, {0.0, 1.0, 0.0, -1.0}},
      {KernelKind::SinePeriod, 8, {0.0, h, 1.0, h, 0.0, -h, -1.0, -h}},
      {KernelKind::HalfSine, 4, {0.0, h, 1.0, h}},
      {KernelKind::HalfSine, 2, {0.0, 1.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << ", length " << c.length);
    const std::vector<double> kernel = Kernel(c.length, c.kind);
    ASSERT_EQ(kernel.size(), c.taps.size());
    for (std::size_t k = 0; k < kernel.size(); ++k) EXPECT_NEAR(kernel[k], c.taps[k], 1e-15) << "tap " << k;
  }
}

TEST(BuildKernel, SineTapsAreTheExactArgumentOrder) {
  const double pi = 3.141592653589793;
  const std::int32_t length = 37;
  const std::vector<double> period = Kernel(length, KernelKind::SinePeriod);
  const std::vector<double> half = Kernel(length, KernelKind::HalfSine);
  ASSERT_EQ(period.size(), 37u);
  ASSERT_EQ(half.size(), 37u);
  for (int k = 0; k < length; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(period[static_cast<std::size_t>(k)], std::sin((k + k) * pi / length));
    EXPECT_EQ(half[static_cast<std::size_t>(k)], std::sin(k * pi / length));
  }
}

TEST(BuildKernel, ShortTuningPeriodsGiveSilentDerivatives) {
  // A period of 1 sample: the single tap sin(0), so the derivative is all zeros.
  const std::vector<double> one = Kernel(1, KernelKind::SinePeriod);
  EXPECT_EQ(one, std::vector<double>{0.0});
  for (double sample : Convolve(one, {0.5, -1.0, 0.25, 1.0})) EXPECT_EQ(sample, 0.0);

  // A period of 2: taps sin(0) and sin(pi), the latter the rounding residue.
  const std::vector<double> two = Kernel(2, KernelKind::SinePeriod);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0], 0.0);
  EXPECT_GT(two[1], 1.2e-16);
  EXPECT_LT(two[1], 1.3e-16);
}

TEST(BuildKernel, NoLengthGivesAnEmptySineKernel) {
  for (KernelKind kind : {KernelKind::SinePeriod, KernelKind::HalfSine}) {
    for (std::int32_t length : {0, -1, -40}) {
      SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << ", length " << length);
      RecordingProgressSink sink;
      std::vector<double> kernel = {1.0, 2.0};
      BuildKernel(kernel, length, kind, sink);
      EXPECT_TRUE(kernel.empty());
      EXPECT_EQ(sink.calls, std::vector<std::string>{"reset " + std::to_string(length)});
    }
  }
}

TEST(BuildKernel, ReportsEveryTapOfASineKernel) {
  RecordingProgressSink sink;
  std::vector<double> kernel;
  BuildKernel(kernel, 4, KernelKind::HalfSine, sink);
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"reset 4", "pos 0", "pos 1", "pos 2", "pos 3"}));
}

TEST(ApplyKernel, SmallExamples) {
  struct Case {
    const char* name;
    std::vector<double> kernel;
    Signal source;
    Signal expected;
  };
  const Case cases[] = {
      {"central difference", Kernel(4, KernelKind::CentralDifference), {0, 1, 4, 9}, {0, 1, 4, 8}},
      {"step pair", Kernel(4, KernelKind::StepPair), {0, 1, 4, 9}, {0, -1, -3, -5}},
      {"reversed step pair", {1.0, -1.0}, {0, 1, 4, 9}, {0, 1, 3, 5}},
      // More taps than samples: output i uses the taps 0 .. i.
      {"kernel longer than the source", {1, 10, 100, 1000, 10000}, {1, 2, 3}, {1, 12, 123}},
      {"empty kernel", {}, {1, -2, 3}, {0, 0, 0}},
      {"empty source", {1, 2}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convolve(c.kernel, c.source), c.expected);
  }
}

TEST(ApplyKernel, SumsStartFromPositiveZero) {
  const Signal target = Convolve(std::vector<double>{1.0}, Signal{-0.0});
  ASSERT_EQ(target.size(), 1u);
  EXPECT_FALSE(std::signbit(target[0]));
}

TEST(ApplyKernel, WritesOnlyTheSourceLength) {
  RecordingProgressSink sink;
  Signal target(6, 7.0);
  ApplyKernel(std::vector<double>{2.0}, Signal{1.0, 2.0, 3.0}, target, "Свёртка", sink, kNeverStopped);
  EXPECT_EQ(target, (Signal{2.0, 4.0, 6.0, 7.0, 7.0, 7.0}));
}

TEST(ApplyKernel, RefusesATargetThatCannotTakeTheResult) {
  const std::vector<double> kernel = {1.0, -1.0};
  Signal buffer = {1.0, 2.0, 3.0, 4.0, 5.0};
  const Signal untouched = buffer;
  struct Case {
    const char* name;
    SignalView source;
    std::span<double> target;
  };
  const std::span<double> whole(buffer);
  const Case cases[] = {
      {"shorter than the source", SignalView(whole).first(4), std::span<double>(whole).last(3)},
      {"the source itself", whole, whole},
      {"overlapping the source", SignalView(whole).first(3), whole.subspan(1, 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingProgressSink sink;
    ApplyKernel(kernel, c.source, c.target, "Свёртка", sink, kNeverStopped);
    EXPECT_EQ(buffer, untouched);
    EXPECT_TRUE(sink.calls.empty());
  }
}

std::vector<std::string> ConvolutionCalls(std::int32_t count, std::int32_t step) {
  std::vector<std::string> calls = {"reset " + std::to_string(count), "stage Сглаживание"};
  for (std::int32_t i = step - 1; i < count; i += step) calls.push_back("pos " + std::to_string(i));
  calls.push_back("pos " + std::to_string(count));
  return calls;
}

TEST(ApplyKernel, MovesTheProgressAboutFiveHundredTimes) {
  struct Case {
    std::int32_t count;
    std::int32_t step;
  };
  // Below 1000 samples every sample moves the bar; 1000 moves it at 1, 3, ... 999.
  const Case cases[] = {{0, 1}, {3, 1}, {499, 1}, {999, 1}, {1000, 2}, {1001, 2}, {1500, 3}, {7777, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    RecordingProgressSink sink;
    const Signal source(static_cast<std::size_t>(c.count), 1.0);
    Signal target(source.size());
    ApplyKernel(Kernel(5, KernelKind::HalfSine), source, target, "Сглаживание", sink, kNeverStopped);
    EXPECT_EQ(sink.calls, ConvolutionCalls(c.count, c.step));
  }
  const std::vector<std::string> thousand = ConvolutionCalls(1000, 2);
  ASSERT_EQ(thousand.size(), 503u);
  EXPECT_EQ(thousand[2], "pos 1");
  EXPECT_EQ(thousand[501], "pos 999");
  EXPECT_EQ(thousand[502], "pos 1000");
}

// Samples whose magnitudes spread over many decades, so that any change in
// the order of additions shows in the last bits.
Signal RandomSignal(std::size_t length, std::mt19937_64& random) {
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_real_distribution<double> decade(-6.0, 6.0);
  Signal signal(length);
  for (double& sample : signal) sample = mantissa(random) * std::pow(10.0, decade(random));
  return signal;
}

TEST(ApplyKernel, MatchesThePlainLoopBitForBit) {
  std::mt19937_64 random(20240611);
  const KernelKind kinds[] = {KernelKind::CentralDifference, KernelKind::StepPair, KernelKind::SinePeriod,
                              KernelKind::HalfSine};
  const std::int32_t periods[] = {1, 2, 3, 4, 5, 9, 16, 33};
  const std::size_t lengths[] = {0, 1, 2, 7, 8, 9, 31, 100, 1000, 4099};
  for (KernelKind kind : kinds) {
    for (std::int32_t period : periods) {
      std::vector<double> kernel = Kernel(period, kind);
      for (bool reversed : {false, true}) {
        if (reversed) std::reverse(kernel.begin(), kernel.end());
        for (std::size_t length : lengths) {
          SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << ", period " << period
                                          << (reversed ? " reversed" : "") << ", " << length << " samples");
          const Signal source = RandomSignal(length, random);
          const Signal target = Convolve(kernel, source);
          const Signal expected = ReferenceConvolve(kernel, source);
          ASSERT_EQ(target.size(), expected.size());
          for (std::size_t i = 0; i < target.size(); ++i) ASSERT_EQ(target[i], expected[i]) << "sample " << i;
        }
      }
    }
  }
}

TEST(ApplyKernel, MatchesThePlainLoopForArbitraryTaps) {
  std::mt19937_64 random(7);
  for (std::size_t taps : {11u, 64u, 301u}) {
    SCOPED_TRACE(taps);
    const Signal kernelSignal = RandomSignal(taps, random);
    const std::vector<double> kernel(kernelSignal.begin(), kernelSignal.end());
    const Signal source = RandomSignal(2345, random);
    EXPECT_EQ(Convolve(kernel, source), ReferenceConvolve(kernel, source));
  }
}

// In place, every output must still come from the original samples, also
// where the runs between two progress updates are shorter than the kernel.
TEST(ApplyKernelInPlace, MatchesThePlainLoopAndReportsAlike) {
  std::mt19937_64 random(99);
  const std::int32_t periods[] = {0, 1, 4, 12, 33};
  const std::size_t lengths[] = {0, 1, 11, 12, 13, 499, 1000, 4099, 25013};
  for (std::int32_t period : periods) {
    std::vector<double> kernel = Kernel(period, KernelKind::HalfSine);
    std::reverse(kernel.begin(), kernel.end());
    for (std::size_t length : lengths) {
      SCOPED_TRACE(testing::Message() << "period " << period << ", " << length << " samples");
      const Signal source = RandomSignal(length, random);
      RecordingProgressSink outOfPlace;
      Signal target(source.size());
      ApplyKernel(kernel, source, target, "Сглаживание", outOfPlace, kNeverStopped);
      RecordingProgressSink inPlace;
      Signal signal = source;
      ApplyKernelInPlace(kernel, signal, "Сглаживание", inPlace, kNeverStopped);
      EXPECT_EQ(signal, ReferenceConvolve(kernel, source));
      EXPECT_EQ(inPlace.calls, outOfPlace.calls);
    }
  }
}

}  // namespace
}  // namespace varnetta
