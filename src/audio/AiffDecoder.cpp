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

SampleEncoding AiffSampleEncoding(std::int32_t bitDepth, bool isAifc) {
  switch (bitDepth) {
    case 8: return SampleEncoding::Signed8;
    case 16: return SampleEncoding::Signed16;
    case 24: return SampleEncoding::Signed24;
    default: return isAifc ? SampleEncoding::Float32 : SampleEncoding::Signed32;
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

bool DecodeAiff(FileBytes buffer, AudioClip& clip, const StopRequest* stop) {
  const std::int64_t commonChunk = FindChunk(buffer, "COMM", kOrder);
  const std::int64_t soundChunk = FindChunk(buffer, "SSND", kOrder);
  const bool isAifc = HasIdentifier(buffer, 8, "AIFC");
  if (commonChunk < 0 || soundChunk < 0 || !HasIdentifier(buffer, 0, "FORM") ||
      !(isAifc || HasIdentifier(buffer, 8, "AIFF"))) {
    return Refuse("ERROR: this doesn't seem to be a valid AIFF file");
  }

  const std::uint16_t channelCount = ReadU16(buffer, commonChunk + 8, kOrder);
  const std::uint32_t frameCount = ReadU32(buffer, commonChunk + 10, kOrder);
  clip.bitDepth = static_cast<std::int16_t>(ReadU16(buffer, commonChunk + 14, kOrder));
  clip.sampleRate = ReadSampleRate(buffer, commonChunk + 16);

  if (clip.bitDepth < 0 || clip.bitDepth > 64) return Refuse(SampleTypeWidthMessage(clip.bitDepth));
  if (clip.sampleRate == 0) return Refuse("ERROR: this AIFF file has an unsupported sample rate");
  if (channelCount != 1 && channelCount != 2) {
    return Refuse("ERROR: this AIFF file seems to be neither mono nor stereo (perhaps multi-track, or corrupted?)");
  }
  if (!IsSupportedBitDepth(clip.bitDepth)) return Refuse(kUnsupportedBitDepthMessage);
  if (frameCount > static_cast<std::uint32_t>(kMaxSignalLength)) {
    return Refuse("ERROR: this AIFF file holds more than 2147483647 sample frames per channel");
  }

  // Sizes and products in 64 bits: what would overflow 32 bits cannot match and is refused.
  const std::int64_t frameBytes = std::int64_t{clip.bitDepth / 8} * channelCount;
  const std::int64_t sampleBytes = frameBytes * frameCount;
  const std::int64_t dataOffset = ReadU32(buffer, soundChunk + 8, kOrder);
  const std::int64_t start = soundChunk + kSoundHeaderBytes + dataOffset;
  // The chunk size counts the bytes before the first sample, but some writers leave them out.
  const std::int64_t soundSize = static_cast<std::int32_t>(ReadU32(buffer, soundChunk + 4, kOrder));
  const bool sizeMatches = soundSize - 8 == sampleBytes || soundSize - 8 - dataOffset == sampleBytes;
  if (!sizeMatches || sampleBytes > static_cast<std::int64_t>(buffer.size()) - start) {
    return Refuse("ERROR: the metadatafor this file doesn't seem right");
  }

  FrameLayout layout;
  layout.start = start;
  layout.frameCount = frameCount;
  layout.frameStride = frameBytes;
  layout.channelCount = channelCount;
  return DecodeFrames(buffer, layout, AiffSampleEncoding(clip.bitDepth, isAifc), kOrder, clip.channels, stop);
}

}  // namespace varnetta
