#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnetta {

// Refusals that both decoders give.
inline constexpr std::string_view kUnsupportedBitDepthMessage =
    "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits";
inline constexpr std::string_view kSamplesPastEndMessage =
    "ERROR: read file error as the metadata indicates more samples than there are in the file data";
inline constexpr std::string_view kTooLargeMessage = "ERROR: File is too large to load (2 GiB or more)";

// The refusal of a bits-per-sample field wider than one stored sample value.
std::string SampleTypeWidthMessage(std::int32_t bitDepth);

// Writes one message and a line end to standard error and flushes it.
void ReportError(std::string_view message);

// Reports the message; returns false, the result of every refusal.
bool Refuse(std::string_view message);

}  // namespace varnetta
