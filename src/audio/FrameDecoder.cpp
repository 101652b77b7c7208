#include "audio/FrameDecoder.h"

#include <algorithm>
#include <array>

#include "audio/AudioErrors.h"
#include "common/LargeBuffers.h"
#include "common/TwoThreads.h"

namespace varnetta {

namespace {

// How many samples of one channel lie wholly inside the buffer, at most the claimed frame count.
std::int64_t SamplesPresent(FileBytes buffer, const FrameLayout& layout, std::int64_t first, int bytesPerSample) {
  if (layout.frameCount <= 0 || layout.frameStride <= 0 || !HoldsBytes(buffer, first, bytesPerSample)) return 0;
  const std::int64_t spare = static_cast<std::int64_t>(buffer.size()) - first - bytesPerSample;
  return std::min(layout.frameCount, spare / layout.frameStride + 1);
}

// Converts stored samples as ConvertSample does. A 16-bit sample has only
// 65536 codes, so its values are divided out once into a table.
template <ByteOrder Order, SampleEncoding Encoding>
class SampleConverter {
 public:
  double operator()(const std::uint8_t* bytes) const { return ConvertSample<Order, Encoding>(bytes); }
};

template <ByteOrder Order>
class SampleConverter<Order, SampleEncoding::Signed16> {
 public:
  double operator()(const std::uint8_t* bytes) const { return Table()[AssembleBits<Order, 2>(bytes)]; }

 private:
  static const std::array<double, 65536>& Table() {
    static const std::array<double, 65536> table = [] {
      std::array<double, 65536> values{};
      for (std::uint32_t code = 0; code < values.size(); ++code) {
        const std::uint8_t low = static_cast<std::uint8_t>(code & 0xFF);
        const std::uint8_t high = static_cast<std::uint8_t>(code >> 8);
        const std::uint8_t bytes[2] = {Order == ByteOrder::BigEndian ? high : low,
                                       Order == ByteOrder::BigEndian ? low : high};
        values[code] = ConvertSample<Order, SampleEncoding::Signed16>(bytes);
      }
      return values;
    }();
    return table;
  }
};

// Frames converted between two tests of the stop request.
constexpr std::int64_t kFramesPerBlock = std::int64_t{1} << 20;

bool Stopped(const StopRequest* stop) { return stop != nullptr && stop->IsRequested(); }

template <ByteOrder Order, SampleEncoding Encoding>
bool DecodeFramesAs(FileBytes buffer, const FrameLayout& layout, std::vector<Signal>& channels,
                    const StopRequest* stop) {
  constexpr int kBytes = BytesPerSample(Encoding);
  const SampleConverter<Order, Encoding> convert;
  const auto channelCount = static_cast<std::size_t>(layout.channelCount);
  channels.clear();
  channels.resize(channelCount);
  // Frames all of whose samples lie in the buffer need no check per sample.
  std::int64_t wholeFrames = channelCount == 0 ? 0 : layout.frameCount;
  for (std::size_t c = 0; c < channelCount; ++c) {
    const std::int64_t first = layout.start + static_cast<std::int64_t>(c) * kBytes;
    const std::int64_t present = SamplesPresent(buffer, layout, first, kBytes);
    wholeFrames = std::min(wholeFrames, present);
    ReserveSignal(channels[c], static_cast<std::size_t>(present));
  }
  // Each channel is filled on its own, two at a time: new pages cost more than the conversion.
  ForEachOnTwoThreads(channelCount, [&](std::size_t c) {
    Signal& channel = channels[c];
    const std::uint8_t* sampleBytes = buffer.data() + layout.start + c * kBytes;
    for (std::int64_t block = 0; block < wholeFrames && !Stopped(stop); block += kFramesPerBlock) {
      const std::int64_t blockEnd = std::min(wholeFrames, block + kFramesPerBlock);
      for (std::int64_t frame = block; frame < blockEnd; ++frame, sampleBytes += layout.frameStride) {
        channel.push_back(convert(sampleBytes));
      }
    }
  });
  if (Stopped(stop)) return false;
  for (std::int64_t frame = std::max<std::int64_t>(wholeFrames, 0); frame < layout.frameCount; ++frame) {
    const std::int64_t frameStart = layout.start + frame * layout.frameStride;
    for (std::size_t c = 0; c < channelCount; ++c) {
      const std::int64_t position = frameStart + static_cast<std::int64_t>(c) * kBytes;
      if (!HoldsBytes(buffer, position, kBytes)) return Refuse(kSamplesPastEndMessage);
      channels[c].push_back(convert(buffer.data() + position));
    }
  }
  return true;
}

template <ByteOrder Order>
bool DecodeFramesIn(FileBytes buffer, const FrameLayout& layout, SampleEncoding encoding, std::vector<Signal>& channels,
                    const StopRequest* stop) {
  using enum SampleEncoding;
  switch (encoding) {
    case Unsigned8: return DecodeFramesAs<Order, Unsigned8>(buffer, layout, channels, stop);
    case Signed8: return DecodeFramesAs<Order, Signed8>(buffer, layout, channels, stop);
    case Signed16: return DecodeFramesAs<Order, Signed16>(buffer, layout, channels, stop);
    case Signed24: return DecodeFramesAs<Order, Signed24>(buffer, layout, channels, stop);
    case Signed32: return DecodeFramesAs<Order, Signed32>(buffer, layout, channels, stop);
    case Float32: return DecodeFramesAs<Order, Float32>(buffer, layout, channels, stop);
  }
  return false;
}

}  // namespace

bool DecodeFrames(FileBytes buffer, const FrameLayout& layout, SampleEncoding encoding, ByteOrder order,
                  std::vector<Signal>& channels, const StopRequest* stop) {
  return order == ByteOrder::BigEndian
             ? DecodeFramesIn<ByteOrder::BigEndian>(buffer, layout, encoding, channels, stop)
             : DecodeFramesIn<ByteOrder::LittleEndian>(buffer, layout, encoding, channels, stop);
}

}  // namespace varnetta
