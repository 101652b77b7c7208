#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "common/Signal.h"

namespace varnetta {

enum class WavSampleFormat { Pcm8, Pcm16, Pcm24, Pcm32, Float32 };

int BitsPerSample(WavSampleFormat format);

// A WAV file in memory, or why the channels cannot make one.
struct EncodedWav {
  std::vector<std::uint8_t> bytes;
  std::string error;  // empty when bytes hold the file
};

// Encodes the channels (1 to 128, all of one length) as a canonical WAV file:
// a 16-byte fmt chunk and a data chunk. Integer formats scale a sample by the
// reader's full-scale code, round to the nearest code and clamp to the code
// range, so that samples read from such a file are written back to the very
// same codes. Float samples are stored as singles. NaN and infinities are
// written as 0.
EncodedWav EncodeWav(std::span<const Signal> channels, std::uint32_t sampleRate, WavSampleFormat format);

// Encodes the channels and writes them to a new file at path; never replaces
// anything that exists there. On false, error says why.
bool WriteWavFile(const std::filesystem::path& path, std::span<const Signal> channels, std::uint32_t sampleRate,
                  WavSampleFormat format, std::string& error);

}  // namespace varnetta
