#include "support/TapeSignals.h"

#include <algorithm>
#include <random>

namespace varnetta::testing {

namespace {

// Uniform in [-1, 1] from the raw generator output, the same on every platform.
double Uniform(std::mt19937& random) { return static_cast<double>(random()) / 4294967295.0 * 2.0 - 1.0; }

}  // namespace

Signal SquareRuns(const std::vector<std::int32_t>& runs) {
  Signal signal{-1.0};
  double value = 1.0;
  for (std::int32_t run : runs) {
    signal.insert(signal.end(), static_cast<std::size_t>(run), value);
    value = -value;
  }
  return signal;
}

Signal TriangleRuns(const std::vector<std::int32_t>& runs) {
  Signal signal{-1.0};
  double value = -1.0;
  double step = 1.0;
  for (std::int32_t run : runs) {
    for (std::int32_t i = 0; i < run; ++i) {
      value += step;
      signal.push_back(value);
    }
    step = -step;
  }
  return signal;
}

std::vector<std::int32_t> ImpulseRuns(std::int32_t length, std::int32_t count) {
  std::vector<std::int32_t> runs;
  for (std::int32_t i = 0; i < count; ++i) {
    runs.push_back(length - length / 2);
    runs.push_back(length / 2);
  }
  return runs;
}

std::vector<std::int32_t> Join(std::initializer_list<std::vector<std::int32_t>> parts) {
  std::vector<std::int32_t> runs;
  for (const auto& part : parts) runs.insert(runs.end(), part.begin(), part.end());
  return runs;
}

void AddNoise(Signal& signal, double amplitude, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (double& sample : signal) sample += amplitude * Uniform(random);
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(count);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() >> 24);
  return bytes;
}

TapeName NameOf(std::initializer_list<std::uint8_t> bytes) {
  TapeName name{};
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), name.size()), name.begin());
  return name;
}

}  // namespace varnetta::testing
