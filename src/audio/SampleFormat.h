#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "audio/FileBuffer.h"

namespace varnetta {

// How one stored sample is read.
enum class SampleEncoding { Unsigned8, Signed8, Signed16, Signed24, Signed32, Float32 };

// Integer samples are divided by their most positive code, which so maps to exactly 1.0.
inline constexpr double kFullScale8 = 127.0;
inline constexpr double kFullScale16 = 32767.0;
inline constexpr double kFullScale24 = 8388607.0;
inline constexpr double kFullScale32 = 2147483647.0;

// Unsigned 8-bit samples are centred on this code.
inline constexpr int kUnsigned8Centre = 128;

constexpr bool IsSupportedBitDepth(std::int32_t bitDepth) {
  return bitDepth == 8 || bitDepth == 16 || bitDepth == 24 || bitDepth == 32;
}

constexpr int BytesPerSample(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Unsigned8:
    case SampleEncoding::Signed8: return 1;
    case SampleEncoding::Signed16: return 2;
    case SampleEncoding::Signed24: return 3;
    case SampleEncoding::Signed32:
    case SampleEncoding::Float32: return 4;
  }
  return 0;
}

// The sample stored at `bytes`. Float samples pass through unscaled, except
// that a NaN or infinity becomes 0.0: later stages average and compare samples
// and must only ever see finite values.
template <ByteOrder Order, SampleEncoding Encoding>
double ConvertSample(const std::uint8_t* bytes) {
  constexpr int kWidth = BytesPerSample(Encoding);
  const std::uint32_t bits = AssembleBits<Order, kWidth>(bytes);
  if constexpr (Encoding == SampleEncoding::Unsigned8) {
    return (static_cast<int>(bits) - kUnsigned8Centre) / kFullScale8;
  } else if constexpr (Encoding == SampleEncoding::Signed8) {
    return static_cast<std::int8_t>(bits) / kFullScale8;
  } else if constexpr (Encoding == SampleEncoding::Signed16) {
    return static_cast<std::int16_t>(bits) / kFullScale16;
  } else if constexpr (Encoding == SampleEncoding::Signed24) {
    return (static_cast<std::int32_t>(bits << 8) >> 8) / kFullScale24;
  } else if constexpr (Encoding == SampleEncoding::Signed32) {
    return static_cast<std::int32_t>(bits) / kFullScale32;
  } else {
    const double value = std::bit_cast<float>(bits);
    return std::isfinite(value) ? value : 0.0;
  }
}

}  // namespace varnetta
