// Loads one recording and prints its size next to the memory bound of a load
// (file size + 8 bytes per sample and channel). Run it under /usr/bin/time -v
// to see the peak resident size; audio_load_peak.sh does that.
#include <cstdio>
#include <filesystem>

#include "audio/AudioClip.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s RECORDING\n", argv[0]);
    return 2;
  }
  varnetta::AudioClip clip;
  if (!clip.Load(argv[1])) return 1;
  const auto file_bytes = std::filesystem::file_size(argv[1]);
  const auto sample_bytes = 8ull * static_cast<unsigned long long>(clip.SampleCount()) *
                            static_cast<unsigned long long>(clip.ChannelCount());
  std::printf("channels %d, samples per channel %d\n", clip.ChannelCount(), clip.SampleCount());
  std::printf("file %llu bytes + samples %llu bytes = bound %llu kB\n", static_cast<unsigned long long>(file_bytes),
              sample_bytes, (static_cast<unsigned long long>(file_bytes) + sample_bytes) / 1024);
  return 0;
}
