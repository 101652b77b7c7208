#include "recognition/WorkClip.h"

#include <algorithm>
#include <utility>

#include "common/LargeBuffers.h"

namespace varnetta {

void WorkClip::Assign(std::vector<SignalView> channels) { given_ = std::move(channels); }

std::span<double> WorkClip::PrepareMix(std::int32_t samples) {
  ReserveSignal(mix_, static_cast<std::size_t>(std::max<std::int32_t>(samples, 0)));
  mix_.assign(static_cast<std::size_t>(std::max<std::int32_t>(samples, 0)), 0.0);
  return mix_;
}

void WorkClip::AppendMix() { given_.emplace_back(mix_); }

std::int32_t WorkClip::SampleCount() const {
  return given_.empty() ? 0 : static_cast<std::int32_t>(given_.front().size());
}

std::span<double> WorkClip::DerivedChannel(int index) {
  Signal& channel = derived_[static_cast<std::size_t>(index - kFirstDerived)];
  // Every sample is overwritten by the convolution; only the length matters.
  ReserveSignal(channel, static_cast<std::size_t>(SampleCount()));
  channel.resize(static_cast<std::size_t>(SampleCount()));
  return channel;
}

std::span<double> WorkClip::TakeOver(int from, int to) {
  Signal& source = derived_[static_cast<std::size_t>(from - kFirstDerived)];
  Signal& target = derived_[static_cast<std::size_t>(to - kFirstDerived)];
  source.swap(target);
  source.clear();
  return target;
}

SignalView WorkClip::Channel(int index) const {
  if (index >= kFirstDerived) return derived_[static_cast<std::size_t>(index - kFirstDerived)];
  return given_[static_cast<std::size_t>(index)];
}

}  // namespace varnetta
