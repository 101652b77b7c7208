// Adds a small repeatable noise to a recording, as a tape played back adds
// hiss: reads IN.wav, optionally puts silence in front of it up to a given
// duration, adds uniform noise of the given peak from a fixed seed to every
// sample of every channel, and writes OUT.wav as 16-bit PCM.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#include "audio/AudioClip.h"
#include "audio/WavWriter.h"

namespace {

struct NoiseRequest {
  std::string input;
  std::string output;
  std::uint32_t seed = 1;
  double amplitude = 0.01;
  double durationSeconds = 0.0;  // 0: no silence put in front
};

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseArguments(int argc, char** argv, NoiseRequest& request) {
  if (argc < 3) return false;
  request.input = argv[1];
  request.output = argv[2];
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    const std::string_view value = argv[i + 1];
    const bool parsed = name == "--seed"        ? ParseNumber(value, request.seed)
                        : name == "--amplitude" ? ParseNumber(value, request.amplitude)
                        : name == "--duration"  ? ParseNumber(value, request.durationSeconds)
                                                : false;
    if (!parsed) return false;
  }
  return (argc - 3) % 2 == 0 && request.amplitude >= 0.0 && request.amplitude < 1.0 &&
         request.durationSeconds >= 0.0;
}

// Silence in front of every channel, so that they last `samples` in all.
void PadFront(varnetta::AudioClip& clip, std::size_t samples) {
  for (varnetta::Signal& channel : clip.channels) {
    if (channel.size() < samples) channel.insert(channel.begin(), samples - channel.size(), 0.0);
  }
}

// The 32-bit draws of mt19937 are fixed by the standard, unlike its
// distributions, so the noise is scaled by hand to -amplitude .. +amplitude.
void AddNoise(varnetta::AudioClip& clip, std::uint32_t seed, double amplitude) {
  std::mt19937 random(seed);
  const std::size_t length = clip.channels.empty() ? 0 : clip.channels.front().size();
  for (std::size_t i = 0; i < length; ++i) {
    for (varnetta::Signal& channel : clip.channels) {
      const double unit = static_cast<double>(random()) / 4294967295.0;  // 0 .. 1
      channel[i] += (unit + unit - 1.0) * amplitude;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  NoiseRequest request;
  if (!ParseArguments(argc, argv, request)) {
    std::fprintf(stderr, "usage: %s IN.wav OUT.wav [--seed N] [--amplitude A] [--duration SECONDS]\n", argv[0]);
    return 2;
  }
  varnetta::AudioClip clip;
  if (!clip.Load(request.input)) return 1;
  PadFront(clip, static_cast<std::size_t>(std::llround(request.durationSeconds * clip.sampleRate)));
  AddNoise(clip, request.seed, request.amplitude);
  std::string error;
  if (!varnetta::WriteWavFile(request.output, clip.channels, clip.sampleRate, varnetta::WavSampleFormat::Pcm16,
                              error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  return 0;
}
