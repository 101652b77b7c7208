#include "recognition/WorkClip.h"

#include <algorithm>
#include <utility>

#include "common/LargeBuffers.h"
#include "common/TwoThreads.h"
#include "tape/WaveParserProto.h"

namespace varnetta {

void WorkClip::TakeMeasures() {
  samples_ = given_.empty() ? 0 : static_cast<std::int32_t>(given_.front().size());
  // Each level is one long chain of additions: two are summed side by side.
  levels_.assign(given_.size(), 0.0);
  ForEachOnTwoThreads(given_.size(), [this](std::size_t c) { levels_[c] = CWaveParserProto::MeanLevel(given_[c]); });
}

void WorkClip::Assign(std::vector<SignalView> channels) {
  channels.resize(std::min<std::size_t>(channels.size(), kFirstDerived));
  given_ = std::move(channels);
  TakeMeasures();
}

void WorkClip::Adopt(std::vector<Signal> channels) {
  given_.clear();
  channels.resize(std::min<std::size_t>(channels.size(), kFirstDerived));
  for (std::size_t index = 0; index < channels.size(); ++index) {
    storage_[index] = std::move(channels[index]);
    given_.emplace_back(storage_[index]);
  }
  TakeMeasures();
}

std::span<double> WorkClip::PrepareMix(std::int32_t samples, const StopRequest& stop) {
  Signal& mix = storage_[2];
  ZeroSignal(mix, static_cast<std::size_t>(std::max<std::int32_t>(samples, 0)), stop);
  return mix;
}

void WorkClip::AppendMix() {
  given_.emplace_back(storage_[2]);
  levels_.push_back(CWaveParserProto::MeanLevel(storage_[2]));
}

void WorkClip::Clear() {
  given_.clear();
  storage_ = {};
  samples_ = 0;
  levels_.clear();
}

std::span<double> WorkClip::DerivedChannel(int index, const StopRequest& stop) {
  Signal& channel = storage_[static_cast<std::size_t>(index)];
  // Every sample is overwritten by the convolution; only the length matters.
  ZeroSignal(channel, static_cast<std::size_t>(SampleCount()), stop);
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

double WorkClip::Level(int index) const {
  if (index >= kFirstDerived) return CWaveParserProto::MeanLevel(Channel(index));
  return levels_[static_cast<std::size_t>(index)];
}

}  // namespace varnetta
