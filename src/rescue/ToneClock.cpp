#include "rescue/ToneClock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace varnetta {

namespace {

// The samples over which the phase of a tone is measured.
constexpr std::int32_t kMeasureSpan = 2048;


// The phase psi of the signal against a sine of angular frequency w over
// [first, first + count), taking x(i) = A sin(w (i - first) - psi), and A.
struct TonePhase {
  double psi = 0.0;
  double amplitude = 0.0;
};

TonePhase MeasurePhase(SampleWindow& window, std::int32_t first, std::int32_t count, double w) {
  double c = 0.0, s = 0.0;
  for (std::int32_t i = 0; i < count; ++i) {
    const double x = window.At(first + i);
    c += x * std::cos(w * i);
    s += x * std::sin(w * i);
  }
  return {std::atan2(-c, s), 2.0 * std::hypot(c, s) / std::max(1, count)};
}

// The tone's angular frequency, refined from the drift of its phase over
// spans of 32 periods: the period from the autocorrelation is close enough
// for the drift from one span to the next to stay below half a turn.
double RefinedFrequency(SampleWindow& window, std::int32_t entry, std::int32_t available, double period) {
  const double w = 2.0 * std::numbers::pi / period;
  const auto span = static_cast<std::int32_t>(std::lround(32.0 * period));
  const std::int32_t spans = std::min<std::int32_t>(8, available / span);
  if (spans < 2) return w;
  double previous = 0.0, unwrapped = 0.0;
  double sumX = 0.0, sumY = 0.0, sumXX = 0.0, sumXY = 0.0;
  for (std::int32_t k = 0; k < spans; ++k) {
    const std::int32_t first = entry + k * span;
    // Each span's phase is taken against the sine continued from the entry.
    const double psi = MeasurePhase(window, first, span, w).psi + w * (first - entry);
    double step = std::remainder(psi - previous, 2.0 * std::numbers::pi);
    if (k == 0) step = psi;
    unwrapped += step;
    previous = psi;
    const double centre = k * span + span / 2.0;
    sumX += centre;
    sumY += unwrapped;
    sumXX += centre * centre;
    sumXY += centre * unwrapped;
  }
  const double slope = (spans * sumXY - sumX * sumY) / (spans * sumXX - sumX * sumX);
  return w - slope;
}

}  // namespace

std::int32_t EntryPoint(const ToneRun& run) {
  return run.end - run.first >= 2 * kToneBlock ? run.first + kToneBlock : run.first;
}

SlotClock ToneClock(SampleWindow& window, const ToneRun& run, bool inverse) {
  const std::int32_t entry = EntryPoint(run);
  const double w = RefinedFrequency(window, entry, run.end - entry, run.period);
  const double period = 2.0 * std::numbers::pi / w;
  const TonePhase phase = MeasurePhase(window, entry, std::min(kMeasureSpan, run.end - entry), w);
  double start = phase.psi / w + (inverse ? period / 2.0 : 0.0);
  start = std::fmod(std::fmod(start, period) + period, period);
  return {entry + start, period, phase.amplitude};
}

}  // namespace varnetta
