#pragma once

#include <cstddef>
#include <cstdint>

namespace varnetta {

// The tape format, shared by the decoder, the channel alignment and the
// signal writer.

// Regular impulses in a row that make a tuning sequence, and that make a
// sync sequence before the second and the third marker.
inline constexpr std::int32_t kTuneRunLength = 2048;
inline constexpr std::int32_t kSyncRunLength = 7;

// Nominal impulse lengths, in tuning periods.
inline constexpr double kZeroImpulse = 1.0;  // a 0-bit's data impulse, every reference impulse, the sequences
inline constexpr double kOneImpulse = 2.0;
inline constexpr double kMarkerImpulse = 4.0;  // the second and third markers
inline constexpr double kFinishImpulse = 8.0;
inline constexpr double kFirstMarkerHalfWave = 2.0;  // either half of the first marker

// The header: the address and length words, then the name.
inline constexpr std::size_t kNameBytes = 16;
inline constexpr std::size_t kHeaderBytes = 4 + kNameBytes;
inline constexpr std::size_t kChecksumBytes = 2;

// The tracked period is the average of this many impulse lengths.
inline constexpr int kAveragedImpulses = 32;

}  // namespace varnetta
