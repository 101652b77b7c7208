#include "rescue/StretchSource.h"

#include <algorithm>

namespace varnetta {

void ChannelsInMemory::Read(std::int32_t channel, std::int32_t first, std::span<double> out) const {
  const Signal& samples = channels_[static_cast<std::size_t>(channel)];
  const auto begin = samples.begin() + first;
  std::copy(begin, begin + static_cast<std::ptrdiff_t>(out.size()), out.begin());
}

}  // namespace varnetta
