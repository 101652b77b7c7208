// Feeds arbitrary bytes to the decoding of a whole audio file in memory.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <span>

#include "audio/AudioClip.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refusals are the normal outcome here; keep them out of the log. Sanitizer
  // reports do not go through std::cerr and still appear.
  std::cerr.rdbuf(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnetta::AudioClip clip;
  clip.DecodeFile(std::span<const std::uint8_t>(data, size));
  return 0;
}
