#include "rescue/ToneSearch.h"

#include <algorithm>
#include <cmath>

namespace varnetta {

namespace {

constexpr int kMinLag = 3;
constexpr int kMaxLag = 50;
// A tone's autocorrelation peaks at its period and dips at half of it; noise
// of any colour gives no such pair.
constexpr double kMinPeak = 0.25;
constexpr double kMaxHalfPeriodDip = -0.15;
// A block is judged loud enough to read by this many samples in its middle:
// a tone fills its blocks, and gaps between tape files are long.
constexpr std::int32_t kGateProbe = 256;
// Blocks of one run agree on the period within this fraction.
constexpr double kPeriodAgreement = 0.15;

// Removes the block's baseline (DC, wander, hum) with a centred moving
// average far longer than any tone it looks for.
constexpr std::size_t kBaselineHalfBox = 32;

void RemoveBaseline(std::span<double> block, std::vector<double>& sums) {
  sums.assign(block.size() + 1, 0.0);
  for (std::size_t i = 0; i < block.size(); ++i) sums[i + 1] = sums[i] + block[i];
  for (std::size_t i = 0; i < block.size(); ++i) {
    const std::size_t lo = i > kBaselineHalfBox ? i - kBaselineHalfBox : 0;
    const std::size_t hi = std::min(block.size(), i + kBaselineHalfBox);
    block[i] -= (sums[hi] - sums[lo]) / static_cast<double>(hi - lo);
  }
}

// Normalised autocorrelation of the block at the lags kMinLag..kMaxLag, its
// baseline removed; false when the block is silent.
bool Autocorrelate(std::span<double> block, std::vector<double>& scratch, double (&rho)[kMaxLag + 1]) {
  RemoveBaseline(block, scratch);
  double energy = 0.0;
  for (double x : block) energy += x * x;
  if (!(energy > 1e-12 * static_cast<double>(block.size()))) return false;
  const std::size_t n = block.size();
  for (int lag = kMinLag; lag <= kMaxLag; ++lag) {
    const std::size_t l = static_cast<std::size_t>(lag);
    double sum = 0.0;
    for (std::size_t i = 0; i + l < n; ++i) sum += block[i] * block[i + l];
    rho[lag] = sum / energy * static_cast<double>(n) / static_cast<double>(n - l);
  }
  return true;
}

// The period of the tone in the block, or 0 when it holds none: the first
// lag at which the autocorrelation peaks high with a dip at half the lag,
// refined between samples by a parabola through the peak.
double TonePeriod(const double (&rho)[kMaxLag + 1]) {
  for (int lag = static_cast<int>(kMinTonePeriod); lag <= static_cast<int>(kMaxTonePeriod); ++lag) {
    if (rho[lag] < kMinPeak || rho[lag] < rho[lag - 1] || rho[lag] < rho[lag + 1]) continue;
    const int half = std::max(kMinLag, static_cast<int>(std::lround(lag / 2.0)));
    const double dip = std::min({rho[half], rho[std::max(kMinLag, half - 1)], rho[half + 1]});
    if (dip > kMaxHalfPeriodDip) continue;
    const double a = rho[lag - 1], b = rho[lag], c = rho[lag + 1];
    const double curvature = a - 2.0 * b + c;
    const double shift = curvature < 0.0 ? 0.5 * (a - c) / curvature : 0.0;
    return lag + std::clamp(shift, -0.5, 0.5);
  }
  return 0.0;
}

double Rms(std::span<const double> block) {
  double sum = 0.0;
  for (double x : block) sum += x * x;
  return std::sqrt(sum / static_cast<double>(block.size()));
}

bool Agree(double a, double b) { return std::abs(a - b) <= kPeriodAgreement * std::max(a, b); }

}  // namespace

std::vector<ToneRun> FindToneRuns(const StretchSource& source, std::int32_t channel, std::int32_t first,
                                  std::int32_t end, double gateRms, const StopRequest& stop) {
  std::vector<ToneRun> runs;
  std::vector<double> block(kToneBlock);
  std::vector<double> scratch;
  double rho[kMaxLag + 1] = {};
  std::vector<double> probe(kGateProbe);
  for (std::int32_t start = first; end - start >= kToneBlock && !stop.IsRequested(); start += kToneBlock) {
    if (gateRms > 0.0) {
      source.Read(channel, start + (kToneBlock - kGateProbe) / 2, probe);
      if (Rms(probe) < gateRms) continue;
    }
    source.Read(channel, start, block);
    if (!Autocorrelate(block, scratch, rho)) continue;
    const double period = TonePeriod(rho);
    if (period == 0.0) continue;
    if (!runs.empty() && runs.back().end == start && Agree(runs.back().period, period)) {
      ToneRun& run = runs.back();
      const double blocks = static_cast<double>(run.end - run.first) / kToneBlock;
      run.period = (run.period * blocks + period) / (blocks + 1.0);
      run.end = start + kToneBlock;
    } else {
      runs.push_back({start, start + kToneBlock, period});
    }
  }
  return runs;
}

std::vector<ToneRun> JoinToneRuns(std::vector<ToneRun> runs) {
  std::sort(runs.begin(), runs.end(), [](const ToneRun& a, const ToneRun& b) { return a.first < b.first; });
  std::vector<ToneRun> joined;
  for (const ToneRun& run : runs) {
    if (!joined.empty() && run.first < joined.back().end && Agree(joined.back().period, run.period)) {
      ToneRun& last = joined.back();
      if (run.end - run.first > last.end - last.first) last.period = run.period;
      last.end = std::max(last.end, run.end);
    } else {
      joined.push_back(run);
    }
  }
  return joined;
}

}  // namespace varnetta
