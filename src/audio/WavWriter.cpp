#include "audio/WavWriter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "audio/FileBuffer.h"
#include "audio/SampleFormat.h"

namespace varnetta {

namespace {

constexpr std::size_t kMaxChannels = 128;
constexpr std::int64_t kHeaderBytes = 44;
constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendText(std::vector<std::uint8_t>& bytes, std::string_view text) {
  for (const char c : text) bytes.push_back(static_cast<std::uint8_t>(c));
}

double FullScale(WavSampleFormat format) {
  switch (format) {
    case WavSampleFormat::Pcm8: return kFullScale8;
    case WavSampleFormat::Pcm16: return kFullScale16;
    case WavSampleFormat::Pcm24: return kFullScale24;
    case WavSampleFormat::Pcm32:
    case WavSampleFormat::Float32: return kFullScale32;
  }
  return 1.0;
}

// The integer code nearest to sample * fullScale within the format's range.
std::int64_t Quantise(double sample, double fullScale) {
  if (!std::isfinite(sample)) return 0;
  const double scaled = std::round(sample * fullScale);
  return static_cast<std::int64_t>(std::clamp(scaled, -fullScale - 1.0, fullScale));
}

std::uint32_t FloatBits(double sample) {
  if (!std::isfinite(sample)) return 0;
  constexpr double kLargest = std::numeric_limits<float>::max();
  return std::bit_cast<std::uint32_t>(static_cast<float>(std::clamp(sample, -kLargest, kLargest)));
}

// The stored bits of one sample, before they are laid out little-endian.
std::uint32_t SampleBits(double sample, WavSampleFormat format) {
  if (format == WavSampleFormat::Float32) return FloatBits(sample);
  const std::int64_t code = Quantise(sample, FullScale(format));
  if (format == WavSampleFormat::Pcm8) return static_cast<std::uint32_t>(code + kUnsigned8Centre);
  return static_cast<std::uint32_t>(code);  // two's complement; the top bytes are not written
}

std::string CheckChannels(std::span<const Signal> channels, std::int64_t bytesPerSample) {
  if (channels.empty() || channels.size() > kMaxChannels) return "a WAV file holds 1 to 128 channels";
  const std::size_t length = channels.front().size();
  for (const Signal& channel : channels) {
    if (channel.size() != length) return "all channels of a WAV file must have the same length";
  }
  const std::int64_t dataBytes =
      static_cast<std::int64_t>(length) * static_cast<std::int64_t>(channels.size()) * bytesPerSample;
  if (dataBytes + 1 > kMaxFileBytes - kHeaderBytes) return "the samples do not fit a WAV file smaller than 2 GiB";
  return {};
}

}  // namespace

int BitsPerSample(WavSampleFormat format) {
  switch (format) {
    case WavSampleFormat::Pcm8: return 8;
    case WavSampleFormat::Pcm16: return 16;
    case WavSampleFormat::Pcm24: return 24;
    case WavSampleFormat::Pcm32:
    case WavSampleFormat::Float32: return 32;
  }
  return 0;
}

EncodedWav EncodeWav(std::span<const Signal> channels, std::uint32_t sampleRate, WavSampleFormat format) {
  const int bits = BitsPerSample(format);
  const int bytesPerSample = bits / 8;
  EncodedWav encoded;
  encoded.error = CheckChannels(channels, bytesPerSample);
  if (!encoded.error.empty()) return encoded;

  const std::size_t frames = channels.front().size();
  const auto channelCount = static_cast<std::uint32_t>(channels.size());
  const auto dataBytes = static_cast<std::uint32_t>(frames * channelCount * static_cast<std::size_t>(bytesPerSample));
  const std::uint32_t pad = dataBytes % 2;
  const auto blockAlign = channelCount * static_cast<std::uint32_t>(bytesPerSample);
  // The reader checks the byte rate modulo 2^32, so it is formed the same way.
  const std::uint32_t byteRate = (channelCount * sampleRate * static_cast<std::uint32_t>(bits)) >> 3;

  std::vector<std::uint8_t>& bytes = encoded.bytes;
  bytes.reserve(static_cast<std::size_t>(kHeaderBytes) + dataBytes + pad);
  AppendText(bytes, "RIFF");
  AppendLittleEndian(bytes, static_cast<std::uint32_t>(kHeaderBytes - 8) + dataBytes + pad, 4);
  AppendText(bytes, "WAVEfmt ");
  AppendLittleEndian(bytes, 16, 4);
  AppendLittleEndian(bytes, format == WavSampleFormat::Float32 ? kTagFloat : kTagPcm, 2);
  AppendLittleEndian(bytes, channelCount, 2);
  AppendLittleEndian(bytes, sampleRate, 4);
  AppendLittleEndian(bytes, byteRate, 4);
  AppendLittleEndian(bytes, blockAlign, 2);
  AppendLittleEndian(bytes, static_cast<std::uint32_t>(bits), 2);
  AppendText(bytes, "data");
  AppendLittleEndian(bytes, dataBytes, 4);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    for (const Signal& channel : channels) AppendLittleEndian(bytes, SampleBits(channel[frame], format), bytesPerSample);
  }
  if (pad != 0) bytes.push_back(0);
  return encoded;
}

bool WriteWavFile(const std::filesystem::path& path, std::span<const Signal> channels, std::uint32_t sampleRate,
                  WavSampleFormat format, std::string& error) {
  const EncodedWav encoded = EncodeWav(channels, sampleRate, format);
  if (!encoded.error.empty()) {
    error = encoded.error;
    return false;
  }
  // "x": the file is created here or not at all, so nothing that exists is replaced.
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) {
    error = "cannot create " + path.string() + " (it exists already or the directory is not writable)";
    return false;
  }
  const bool written = std::fwrite(encoded.bytes.data(), 1, encoded.bytes.size(), file) == encoded.bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);  // our own incomplete file
  error = "cannot write " + path.string();
  return false;
}

}  // namespace varnetta
