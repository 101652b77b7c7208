#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Signal.h"
#include "common/StopRequest.h"

namespace varnetta {

// A recording loaded from a WAV or AIFF file: one array of samples per
// channel, in the file's channel order. Integer samples are scaled so that
// the most positive code is 1.0; float samples are taken as they are.
class AudioClip {
 public:
  std::vector<Signal> channels{1};
  std::uint32_t sampleRate = 44100;
  std::int32_t bitDepth = 16;

  // Reads the whole file and decodes it. On false a message went to standard
  // error, or a stop was requested (stop tested once per block of work), and
  // the clip's content is to be ignored.
  bool Load(const std::string& path, const StopRequest* stop = nullptr);

  // Decodes a whole file held in memory ("RIFF" or "FORM" container).
  bool DecodeFile(std::span<const std::uint8_t> buffer, const StopRequest* stop = nullptr);

  std::int32_t ChannelCount() const;
  // Length of the first channel, 0 without channels.
  std::int32_t SampleCount() const;
  // Gives up every channel.
  void Clear();
};

}  // namespace varnetta
