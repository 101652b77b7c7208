#pragma once

#include <cstdint>
#include <span>

#include "common/Signal.h"

namespace varnetta {

// Where deep recovery reads a recording, a stretch at a time; it never needs
// the whole recording at once.
class StretchSource {
 public:
  virtual ~StretchSource() = default;
  virtual std::int32_t ChannelCount() const = 0;
  virtual std::int32_t SampleCount() const = 0;
  // Copies samples [first, first + out.size()) of the channel, which lie
  // within the recording, into out.
  virtual void Read(std::int32_t channel, std::int32_t first, std::span<double> out) const = 0;
};

// Over channels of equal length held in memory.
class ChannelsInMemory final : public StretchSource {
 public:
  explicit ChannelsInMemory(std::span<const Signal> channels) : channels_(channels) {}
  std::int32_t ChannelCount() const override { return static_cast<std::int32_t>(channels_.size()); }
  std::int32_t SampleCount() const override {
    return channels_.empty() ? 0 : static_cast<std::int32_t>(channels_.front().size());
  }
  void Read(std::int32_t channel, std::int32_t first, std::span<double> out) const override;

 private:
  std::span<const Signal> channels_;
};

}  // namespace varnetta
