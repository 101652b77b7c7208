#pragma once

#include <cstdint>
#include <vector>

#include "rescue/StretchSource.h"

namespace varnetta {

// One channel of a weighted sum: sample i of the sum takes sample i + lag of
// the channel.
struct ChannelWeight {
  std::int32_t channel = 0;
  double weight = 1.0;
  std::int32_t lag = 0;
};

// The conditioned signal that the slot decoder reads, made block by block as
// it moves on: a weighted sum of channels with its baseline (DC, wander, hum)
// removed by a centred moving average over eight impulse periods, which
// leaves the tones of bits, markers and the finish untouched. Only the blocks near the reader are
// kept.
class SampleWindow {
 public:
  SampleWindow(const StretchSource& source, std::vector<ChannelWeight> weights, std::int32_t first,
               std::int32_t end, double period);

  // The signal at time t (in samples, linearly interpolated); 0 outside the
  // stretch.
  double At(double t);
  // The reader will not go back before this time.
  void Forget(double before);
  std::int32_t First() const { return first_; }
  std::int32_t End() const { return end_; }

 private:
  void Extend();

  const StretchSource& source_;
  std::vector<ChannelWeight> weights_;
  std::int32_t first_;
  std::int32_t end_;
  std::int32_t halfBox_;
  std::vector<double> conditioned_;  // samples [base_, base_ + size)
  std::int32_t base_;
  std::vector<double> raw_;
  std::vector<double> channel_;
};

}  // namespace varnetta
