#include "audio/AiffDecoder.h"

#include <cmath>
#include <limits>

#include "audio/AudioErrors.h"
#include "audio/FrameDecoder.h"

namespace varnetta {

namespace {

constexpr ByteOrder kOrder = ByteOrder::BigEndian;
constexpr std::int64_t kRateFieldBytes = 10;
constexpr std::int64_t kSoundHeaderBytes = 16;
constexpr int kExponentBias = 16383;

std::uint32_t ReadSampleRate(FileBytes buffer, std::int64_t position) {
  if (!HoldsBytes(buffer, position, kRateFieldBytes)) return 0;
  return ConvertAiffSampleRate(buffer.subspan(static_cast<std::size_t>(position)).first<kRateFieldBytes>());
}

SampleEncoding AiffSampleEncoding(std::int32_t bit_depth, bool is_aifc) {
  switch (bit_depth) {
    case 8: return SampleEncoding::Signed8;
    case 16: return SampleEncoding::Signed16;
    case 24: return SampleEncoding::Signed24;
    default: return is_aifc ? SampleEncoding::Float32 : SampleEncoding::Signed32;
  }
}

}  // namespace

std::uint32_t ConvertAiffSampleRate(std::span<const std::uint8_t, 10> field) {
  const bool negative = (field[0] & 0x80) != 0;
  const int exponent = (((field[0] & 0x7F) << 8) | field[1]) - kExponentBias;
  std::uint64_t mantissa = 0;
  for (std::size_t i = 2; i < field.size(); ++i) mantissa = (mantissa << 8) | field[i];

  const double magnitude = std::ldexp(static_cast<double>(mantissa), exponent - 63);
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!std::isfinite(magnitude) || magnitude >= kLimit || magnitude < 1.0) return 0;
  const auto whole = static_cast<std::int64_t>(magnitude);
  // The rate keeps the low 32 bits of the signed integer, as a negative rate would wrap.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(negative ? -whole : whole));
}

bool DecodeAiff(FileBytes buffer, AudioClip& clip) {
  const std::int64_t common_chunk = FindChunk(buffer, "COMM", kOrder);
  const std::int64_t sound_chunk = FindChunk(buffer, "SSND", kOrder);
  const bool is_aifc = HasIdentifier(buffer, 8, "AIFC");
  if (common_chunk < 0 || sound_chunk < 0 || !HasIdentifier(buffer, 0, "FORM") ||
      !(is_aifc || HasIdentifier(buffer, 8, "AIFF"))) {
    return Refuse("ERROR: this doesn't seem to be a valid AIFF file");
  }

  const std::uint16_t channel_count = ReadU16(buffer, common_chunk + 8, kOrder);
  const std::uint32_t frame_count = ReadU32(buffer, common_chunk + 10, kOrder);
  clip.bitDepth = static_cast<std::int16_t>(ReadU16(buffer, common_chunk + 14, kOrder));
  clip.sampleRate = ReadSampleRate(buffer, common_chunk + 16);

  if (clip.bitDepth < 0 || clip.bitDepth > 64) return Refuse(SampleTypeWidthMessage(clip.bitDepth));
  if (clip.sampleRate == 0) return Refuse("ERROR: this AIFF file has an unsupported sample rate");
  if (channel_count != 1 && channel_count != 2) {
    return Refuse("ERROR: this AIFF file seems to be neither mono nor stereo (perhaps multi-track, or corrupted?)");
  }
  if (!IsSupportedBitDepth(clip.bitDepth)) return Refuse(kUnsupportedBitDepthMessage);
  if (frame_count > static_cast<std::uint32_t>(kMaxSignalLength)) {
    return Refuse("ERROR: this AIFF file holds more than 2147483647 sample frames per channel");
  }

  // Sizes and products in 64 bits: what would overflow 32 bits cannot match and is refused.
  const std::int64_t frame_bytes = std::int64_t{clip.bitDepth / 8} * channel_count;
  const std::int64_t sample_bytes = frame_bytes * frame_count;
  const std::int64_t data_offset = ReadU32(buffer, sound_chunk + 8, kOrder);
  const std::int64_t start = sound_chunk + kSoundHeaderBytes + data_offset;
  // The chunk size counts the bytes before the first sample, but some writers leave them out.
  const std::int64_t sound_size = static_cast<std::int32_t>(ReadU32(buffer, sound_chunk + 4, kOrder));
  const bool size_matches = sound_size - 8 == sample_bytes || sound_size - 8 - data_offset == sample_bytes;
  if (!size_matches || sample_bytes > static_cast<std::int64_t>(buffer.size()) - start) {
    return Refuse("ERROR: the metadatafor this file doesn't seem right");
  }

  FrameLayout layout;
  layout.start = start;
  layout.frame_count = frame_count;
  layout.frame_stride = frame_bytes;
  layout.channel_count = channel_count;
  return DecodeFrames(buffer, layout, AiffSampleEncoding(clip.bitDepth, is_aifc), kOrder, clip.channels);
}

}  // namespace varnetta
