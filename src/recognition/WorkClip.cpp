#include "recognition/WorkClip.h"

#include <algorithm>
#include <utility>

#include "common/LargeBuffers.h"

namespace varnetta {

void WorkClip::SetLength(std::size_t samples) { samples_ = static_cast<std::int32_t>(samples); }

void WorkClip::Assign(std::vector<SignalView> channels) {
  given_ = std::move(channels);
  SetLength(given_.empty() ? 0 : given_.front().size());
}

void WorkClip::Adopt(std::vector<Signal> channels) {
  given_.clear();
  channels.resize(std::min<std::size_t>(channels.size(), kFirstDerived));
  for (std::size_t index = 0; index < channels.size(); ++index) {
    storage_[index] = std::move(channels[index]);
    given_.emplace_back(storage_[index]);
  }
  SetLength(given_.empty() ? 0 : given_.front().size());
}

std::span<double> WorkClip::PrepareMix(std::int32_t samples) {
  Signal& mix = storage_[2];
  ReserveSignal(mix, static_cast<std::size_t>(std::max<std::int32_t>(samples, 0)));
  mix.assign(static_cast<std::size_t>(std::max<std::int32_t>(samples, 0)), 0.0);
  return mix;
}

void WorkClip::AppendMix() { given_.emplace_back(storage_[2]); }

void WorkClip::Clear() {
  given_.clear();
  storage_ = {};
  samples_ = 0;
}

std::span<double> WorkClip::DerivedChannel(int index) {
  Signal& channel = storage_[static_cast<std::size_t>(index)];
  // Every sample is overwritten by the convolution; only the length matters.
  ReserveSignal(channel, static_cast<std::size_t>(SampleCount()));
  channel.resize(static_cast<std::size_t>(SampleCount()));
  return channel;
}

bool WorkClip::Holds(int index) const {
  if (index >= kFirstDerived) return true;
  const auto i = static_cast<std::size_t>(index);
  return i < given_.size() && !storage_[i].empty() && given_[i].data() == storage_[i].data();
}

std::span<double> WorkClip::TakeOver(int from, int to) {
  Signal& source = storage_[static_cast<std::size_t>(from)];
  Signal& target = storage_[static_cast<std::size_t>(to)];
  source.swap(target);
  // The target's old storage is kept for the next sweep.
  source.clear();
  if (from < kFirstDerived) given_[static_cast<std::size_t>(from)] = SignalView();
  return target;
}

SignalView WorkClip::Channel(int index) const {
  if (index >= kFirstDerived) return storage_[static_cast<std::size_t>(index)];
  return given_[static_cast<std::size_t>(index)];
}

}  // namespace varnetta
