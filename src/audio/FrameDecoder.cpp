#include "audio/FrameDecoder.h"

#include <algorithm>

#include "audio/AudioErrors.h"
#include "common/LargeBuffers.h"

namespace varnetta {

namespace {

// How many samples of one channel lie wholly inside the buffer, at most the claimed frame count.
std::int64_t SamplesPresent(FileBytes buffer, const FrameLayout& layout, std::int64_t first, int bytes_per_sample) {
  if (layout.frame_count <= 0 || layout.frame_stride <= 0 || !HoldsBytes(buffer, first, bytes_per_sample)) return 0;
  const std::int64_t spare = static_cast<std::int64_t>(buffer.size()) - first - bytes_per_sample;
  return std::min(layout.frame_count, spare / layout.frame_stride + 1);
}

template <ByteOrder Order, SampleEncoding Encoding>
bool DecodeFramesAs(FileBytes buffer, const FrameLayout& layout, std::vector<Signal>& channels) {
  constexpr int kBytes = BytesPerSample(Encoding);
  const auto channel_count = static_cast<std::size_t>(layout.channel_count);
  channels.clear();
  channels.resize(channel_count);
  for (std::size_t c = 0; c < channel_count; ++c) {
    const std::int64_t first = layout.start + static_cast<std::int64_t>(c) * kBytes;
    ReserveSignal(channels[c], static_cast<std::size_t>(SamplesPresent(buffer, layout, first, kBytes)));
  }
  for (std::int64_t frame = 0; frame < layout.frame_count; ++frame) {
    const std::int64_t frame_start = layout.start + frame * layout.frame_stride;
    for (std::size_t c = 0; c < channel_count; ++c) {
      const std::int64_t position = frame_start + static_cast<std::int64_t>(c) * kBytes;
      if (!HoldsBytes(buffer, position, kBytes)) return Refuse(kSamplesPastEndMessage);
      channels[c].push_back(ConvertSample<Order, Encoding>(buffer.data() + position));
    }
  }
  return true;
}

template <ByteOrder Order>
bool DecodeFramesIn(FileBytes buffer, const FrameLayout& layout, SampleEncoding encoding,
                    std::vector<Signal>& channels) {
  switch (encoding) {
    case SampleEncoding::Unsigned8: return DecodeFramesAs<Order, SampleEncoding::Unsigned8>(buffer, layout, channels);
    case SampleEncoding::Signed8: return DecodeFramesAs<Order, SampleEncoding::Signed8>(buffer, layout, channels);
    case SampleEncoding::Signed16: return DecodeFramesAs<Order, SampleEncoding::Signed16>(buffer, layout, channels);
    case SampleEncoding::Signed24: return DecodeFramesAs<Order, SampleEncoding::Signed24>(buffer, layout, channels);
    case SampleEncoding::Signed32: return DecodeFramesAs<Order, SampleEncoding::Signed32>(buffer, layout, channels);
    case SampleEncoding::Float32: return DecodeFramesAs<Order, SampleEncoding::Float32>(buffer, layout, channels);
  }
  return false;
}

}  // namespace

bool DecodeFrames(FileBytes buffer, const FrameLayout& layout, SampleEncoding encoding, ByteOrder order,
                  std::vector<Signal>& channels) {
  return order == ByteOrder::BigEndian ? DecodeFramesIn<ByteOrder::BigEndian>(buffer, layout, encoding, channels)
                                       : DecodeFramesIn<ByteOrder::LittleEndian>(buffer, layout, encoding, channels);
}

}  // namespace varnetta
