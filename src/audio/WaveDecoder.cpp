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

bool HoldsFloatSamples(FileBytes buffer, std::int64_t formatChunk, std::uint16_t formatTag) {
  if (formatTag == kTagFloat) return true;
  if (formatTag != kTagExtensible) return false;
  return ReadU32(buffer, formatChunk + 4, kOrder) >= kExtensibleFormatBytes &&
         ReadU16(buffer, formatChunk + kSubFormatOffset, kOrder) == kTagFloat;
}

SampleEncoding WaveSampleEncoding(std::int32_t bitDepth, bool floatSamples) {
  switch (bitDepth) {
    case 8: return SampleEncoding::Unsigned8;
    case 16: return SampleEncoding::Signed16;
    case 24: return SampleEncoding::Signed24;
    default: return floatSamples ? SampleEncoding::Float32 : SampleEncoding::Signed32;
  }
}

}  // namespace

bool DecodeWave(FileBytes buffer, AudioClip& clip, const StopRequest* stop) {
  const std::int64_t dataChunk = FindChunk(buffer, "data", kOrder);
  const std::int64_t formatChunk = FindChunk(buffer, "fmt ", kOrder);
  if (dataChunk < 0 || formatChunk < 0 || !HasIdentifier(buffer, 0, "RIFF") || !HasIdentifier(buffer, 8, "WAVE")) {
    return Refuse("ERROR: this doesn't seem to be a valid .WAV file");
  }

  const std::uint16_t formatTag = ReadU16(buffer, formatChunk + 8, kOrder);
  const std::uint16_t channelCount = ReadU16(buffer, formatChunk + 10, kOrder);
  clip.sampleRate = ReadU32(buffer, formatChunk + 12, kOrder);
  const std::uint32_t byteRate = ReadU32(buffer, formatChunk + 16, kOrder);
  const std::uint16_t blockAlign = ReadU16(buffer, formatChunk + 20, kOrder);
  clip.bitDepth = static_cast<std::int16_t>(ReadU16(buffer, formatChunk + 22, kOrder));

  if (clip.bitDepth < 0 || clip.bitDepth > 64) return Refuse(SampleTypeWidthMessage(clip.bitDepth));
  if (formatTag != kTagPcm && formatTag != kTagFloat && formatTag != kTagExtensible) {
    return Refuse("ERROR: this .WAV file is encoded in a format that this library does not support at present");
  }
  if (channelCount == 0 || channelCount > kMaxChannels) {
    return Refuse("ERROR: this WAV file seems to be an invalid number of channels (or corrupted?)");
  }
  const auto bits = static_cast<std::uint32_t>(clip.bitDepth);
  const std::uint32_t expectedByteRate = (std::uint32_t{channelCount} * clip.sampleRate * bits) >> 3;  // modulo 2^32
  const std::uint32_t expectedBlockAlign = (bits / 8) * std::uint32_t{channelCount};
  if (byteRate != expectedByteRate || blockAlign != expectedBlockAlign) {
    return Refuse("ERROR: the header data in this WAV file seems to be inconsistent");
  }
  if (!IsSupportedBitDepth(clip.bitDepth)) return Refuse(kUnsupportedBitDepthMessage);

  // A negative size gives no frames; a trailing partial frame is ignored.
  const std::int64_t dataSize = static_cast<std::int32_t>(ReadU32(buffer, dataChunk + 4, kOrder));
  FrameLayout layout;
  layout.start = dataChunk + 8;
  layout.frameCount = dataSize / blockAlign;
  layout.frameStride = blockAlign;
  layout.channelCount = channelCount;
  const SampleEncoding encoding =
      WaveSampleEncoding(clip.bitDepth, HoldsFloatSamples(buffer, formatChunk, formatTag));
  return DecodeFrames(buffer, layout, encoding, kOrder, clip.channels, stop);
}

}  // namespace varnetta
