#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"
#include "common/StopRequest.h"

namespace varnetta {

// The channels one sweep analyses, indexed as the passes name them:
// 0 left, 1 right, 2 mix (as the driver hands them over), 3 to 8 the
// derivative and smoothed derivative channels the conditioning makes.
//
// Handed-over channels are either views (the pieces of a recording that is
// searched again afterwards) or adopted (a whole recording, whose channels
// are not needed after its sweep). Channels held here, adopted ones and the
// mix of a piece, can give their storage to the channel made from them, so
// that it is made in place; storage is kept from one piece to the next.
class WorkClip {
 public:
  static constexpr int kChannelCount = 9;
  static constexpr int kFirstDerived = 3;

  // The channels of the next sweep as views; all of one length. Only the
  // first three are kept, as no pass reads a fourth.
  void Assign(std::vector<SignalView> channels);
  // The same for channels moved in.
  void Adopt(std::vector<Signal> channels);
  // Storage for the mix of a piece: `samples` zeros, valid until the next
  // call; part-filled when a stop is requested meanwhile.
  std::span<double> PrepareMix(std::int32_t samples, const StopRequest& stop);
  // Adds the mix made in PrepareMix's storage as the next channel.
  void AppendMix();
  // Gives up every channel and all storage.
  void Clear();

  // The number of channels the driver handed over.
  std::int32_t ChannelCount() const { return static_cast<std::int32_t>(given_.size()); }
  // The length of every channel, 0 without channels.
  std::int32_t SampleCount() const { return samples_; }

  // A conditioned channel (3 to 8) to be written: SampleCount() samples;
  // part-filled when a stop is requested meanwhile.
  std::span<double> DerivedChannel(int index, const StopRequest& stop);
  // Whether channel `index` is held here, so that TakeOver may move it.
  bool Holds(int index) const;
  // Lets channel `to` (3 to 8) take over the storage of held channel
  // `from`, so that it can be made from it in place; `from` must not be read
  // after.
  std::span<double> TakeOver(int from, int to);
  // Any channel a pass may read.
  SignalView Channel(int index) const;
  // The mean level of a channel (CWaveParserProto::MeanLevel): summed once
  // when a channel is handed over, since several readers need it, and for a
  // conditioned channel (read by one pass at most) when asked.
  double Level(int index) const;

 private:
  // Sets the length and the levels of the handed-over channels.
  void TakeMeasures();

  std::vector<SignalView> given_;
  // Storage by channel index; below 3 only for channels held here.
  std::array<Signal, kChannelCount> storage_;
  std::int32_t samples_ = 0;
  std::vector<double> levels_;
};

}  // namespace varnetta
