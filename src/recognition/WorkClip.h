#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"

namespace varnetta {

// The channels one sweep analyses, indexed as the passes name them:
// 0 left, 1 right, 2 mix (as the driver hands them over), 3 to 8 the
// derivative and smoothed derivative channels the conditioning makes.
//
// The handed-over channels are views, so a whole recording is analysed in
// place rather than copied; only the conditioned channels and the mix of a
// piece are held here, and their storage is kept from one piece to the next.
class WorkClip {
 public:
  static constexpr int kChannelCount = 9;
  static constexpr int kFirstDerived = 3;

  // The channels of the next sweep; all of one length.
  void Assign(std::vector<SignalView> channels);
  // Storage for the mix of a piece: `samples` zeros, valid until the next call.
  std::span<double> PrepareMix(std::int32_t samples);
  // Adds the mix made in PrepareMix's storage as the next channel.
  void AppendMix();

  // The number of channels the driver handed over.
  std::int32_t ChannelCount() const { return static_cast<std::int32_t>(given_.size()); }
  // The length of channel 0 (every channel has it), 0 without channels.
  std::int32_t SampleCount() const;

  // A conditioned channel (3 to 8) to be written: SampleCount() samples.
  std::span<double> DerivedChannel(int index);
  // Lets conditioned channel `to` take over the storage of `from`, so that it
  // can be made from it in place; `from` is left empty (keeping old storage
  // of `to` for the next sweep) and must not be read after.
  std::span<double> TakeOver(int from, int to);
  // Any channel a pass may read: a handed-over one below 3, a conditioned one from 3 on.
  SignalView Channel(int index) const;

 private:
  std::vector<SignalView> given_;
  std::array<Signal, kChannelCount - kFirstDerived> derived_;
  Signal mix_;
};

}  // namespace varnetta
