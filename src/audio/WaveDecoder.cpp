#include "audio/WaveDecoder.h"

#include "audio/AudioErrors.h"
#include "audio/FrameDecoder.h"

namespace varnetta {

namespace {

constexpr ByteOrder kOrder = ByteOrder::LittleEndian;

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 65534;
constexpr std::uint16_t kMaxChannels = 128;

// An extensible fmt chunk carries 24 more bytes; its sub-format GUID starts
// with the format tag that the samples really have.
constexpr std::uint32_t kExtensibleFormatBytes = 40;
constexpr std::int64_t kSubFormatOffset = 32;

bool HoldsFloatSamples(FileBytes buffer, std::int64_t format_chunk, std::uint16_t format_tag) {
  if (format_tag == kTagFloat) return true;
  if (format_tag != kTagExtensible) return false;
  return ReadU32(buffer, format_chunk + 4, kOrder) >= kExtensibleFormatBytes &&
         ReadU16(buffer, format_chunk + kSubFormatOffset, kOrder) == kTagFloat;
}

SampleEncoding WaveSampleEncoding(std::int32_t bit_depth, bool float_samples) {
  switch (bit_depth) {
    case 8: return SampleEncoding::Unsigned8;
    case 16: return SampleEncoding::Signed16;
    case 24: return SampleEncoding::Signed24;
    default: return float_samples ? SampleEncoding::Float32 : SampleEncoding::Signed32;
  }
}

}  // namespace

bool DecodeWave(FileBytes buffer, AudioClip& clip) {
  const std::int64_t data_chunk = FindChunk(buffer, "data", kOrder);
  const std::int64_t format_chunk = FindChunk(buffer, "fmt ", kOrder);
  if (data_chunk < 0 || format_chunk < 0 || !HasIdentifier(buffer, 0, "RIFF") || !HasIdentifier(buffer, 8, "WAVE")) {
    return Refuse("ERROR: this doesn't seem to be a valid .WAV file");
  }

  const std::uint16_t format_tag = ReadU16(buffer, format_chunk + 8, kOrder);
  const std::uint16_t channel_count = ReadU16(buffer, format_chunk + 10, kOrder);
  clip.sampleRate = ReadU32(buffer, format_chunk + 12, kOrder);
  const std::uint32_t byte_rate = ReadU32(buffer, format_chunk + 16, kOrder);
  const std::uint16_t block_align = ReadU16(buffer, format_chunk + 20, kOrder);
  clip.bitDepth = static_cast<std::int16_t>(ReadU16(buffer, format_chunk + 22, kOrder));

  if (clip.bitDepth < 0 || clip.bitDepth > 64) return Refuse(SampleTypeWidthMessage(clip.bitDepth));
  if (format_tag != kTagPcm && format_tag != kTagFloat && format_tag != kTagExtensible) {
    return Refuse("ERROR: this .WAV file is encoded in a format that this library does not support at present");
  }
  if (channel_count == 0 || channel_count > kMaxChannels) {
    return Refuse("ERROR: this WAV file seems to be an invalid number of channels (or corrupted?)");
  }
  const auto bits = static_cast<std::uint32_t>(clip.bitDepth);
  const std::uint32_t expected_byte_rate = (std::uint32_t{channel_count} * clip.sampleRate * bits) >> 3;  // modulo 2^32
  const std::uint32_t expected_block_align = (bits / 8) * std::uint32_t{channel_count};
  if (byte_rate != expected_byte_rate || block_align != expected_block_align) {
    return Refuse("ERROR: the header data in this WAV file seems to be inconsistent");
  }
  if (!IsSupportedBitDepth(clip.bitDepth)) return Refuse(kUnsupportedBitDepthMessage);

  // A negative size gives no frames; a trailing partial frame is ignored.
  const std::int64_t data_size = static_cast<std::int32_t>(ReadU32(buffer, data_chunk + 4, kOrder));
  FrameLayout layout;
  layout.start = data_chunk + 8;
  layout.frame_count = data_size / block_align;
  layout.frame_stride = block_align;
  layout.channel_count = channel_count;
  const SampleEncoding encoding =
      WaveSampleEncoding(clip.bitDepth, HoldsFloatSamples(buffer, format_chunk, format_tag));
  return DecodeFrames(buffer, layout, encoding, kOrder, clip.channels);
}

}  // namespace varnetta
