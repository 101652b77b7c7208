#include "rescue/SampleWindow.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace varnetta {

namespace {

constexpr std::int32_t kBlock = 16384;
// The moving average spans the finish impulse, the longest of the format: a
// whole number of periods of every tone it holds, so none of them is bent.
constexpr double kBoxPeriods = 8.0;

}  // namespace

SampleWindow::SampleWindow(const StretchSource& source, std::vector<ChannelWeight> weights, std::int32_t first,
                           std::int32_t end, double period)
    : source_(source),
      weights_(std::move(weights)),
      first_(first),
      end_(end),
      halfBox_(std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(kBoxPeriods * period / 2.0)))),
      base_(first) {}

double SampleWindow::At(double t) {
  if (!(t >= first_) || t >= end_ - 1) return 0.0;
  const auto index = static_cast<std::int32_t>(t);
  while (index + 1 >= base_ + static_cast<std::int32_t>(conditioned_.size())) Extend();
  if (index < base_) return 0.0;
  const double fraction = t - index;
  const auto at = static_cast<std::size_t>(index - base_);
  return conditioned_[at] + (conditioned_[at + 1] - conditioned_[at]) * fraction;
}

void SampleWindow::Forget(double before) {
  const auto keepFrom = static_cast<std::int32_t>(before) - kBlock;
  if (keepFrom - base_ < 2 * kBlock) return;
  const std::int32_t drop = std::min<std::int32_t>(keepFrom - base_, static_cast<std::int32_t>(conditioned_.size()));
  conditioned_.erase(conditioned_.begin(), conditioned_.begin() + drop);
  base_ += drop;
}

// Appends the next block: the raw sum over the block and the half box on
// either side, then each sample less the mean of the box around it.
void SampleWindow::Extend() {
  const std::int32_t next = base_ + static_cast<std::int32_t>(conditioned_.size());
  const std::int32_t count = std::min(kBlock, end_ - next);
  const std::int32_t from = std::max(first_, next - halfBox_);
  const std::int32_t to = std::min(end_, next + count + halfBox_);
  raw_.assign(static_cast<std::size_t>(to - from), 0.0);
  channel_.resize(raw_.size());
  const std::int32_t samples = source_.SampleCount();
  for (const ChannelWeight& w : weights_) {
    const std::int32_t readFrom = std::clamp(from + w.lag, 0, samples);
    const std::int32_t readTo = std::clamp(to + w.lag, 0, samples);
    if (readTo <= readFrom) continue;
    std::fill(channel_.begin(), channel_.end(), 0.0);
    const auto offset = static_cast<std::size_t>(readFrom - (from + w.lag));
    source_.Read(w.channel, readFrom, std::span<double>(channel_).subspan(offset, static_cast<std::size_t>(readTo - readFrom)));
    for (std::size_t i = 0; i < raw_.size(); ++i) raw_[i] += w.weight * channel_[i];
  }
  // Running sums of the raw span, so each box mean costs two lookups.
  std::vector<double>& sums = channel_;
  sums.assign(raw_.size() + 1, 0.0);
  for (std::size_t i = 0; i < raw_.size(); ++i) sums[i + 1] = sums[i] + raw_[i];
  for (std::int32_t i = next; i < next + count; ++i) {
    const std::int32_t lo = std::max(from, i - halfBox_);
    const std::int32_t hi = std::min(to, i + halfBox_);
    const double mean = (sums[static_cast<std::size_t>(hi - from)] - sums[static_cast<std::size_t>(lo - from)]) / (hi - lo);
    conditioned_.push_back(raw_[static_cast<std::size_t>(i - from)] - mean);
  }
}

}  // namespace varnetta
