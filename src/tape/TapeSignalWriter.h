#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/Signal.h"
#include "tape/TapeFile.h"

namespace varnetta {

// One tape file to write: load address, name and data (at most 65535 bytes).
struct TapeRecord {
  std::uint16_t address = 0;
  TapeName name{};
  std::vector<std::uint8_t> data;
};

// How the tape signal is written. Times are in samples; the impulse period
// may be fractional, the transitions then fall between samples.
struct TapeSignalOptions {
  double period = 16.0;              // T: the length of a tuning impulse
  std::int32_t tuneImpulses = 4096;  // tuning sequence of each file
  std::int32_t syncImpulses = 16;    // each sync sequence before the second and third marker
  bool inverted = false;             // every sample negated
  double amplitude = 0.5;            // peak value of a half-wave
  std::int64_t leadingSilence = 0;   // samples of 0.0 before the first file
  std::int64_t trailingSilence = 0;  // after the last file
  std::int64_t gapSilence = 0;       // between two files
  double jitter = 0.0;               // each half-wave longer or shorter by up to this many samples
  std::uint32_t jitterSeed = 1;      // the jitter is pseudo-random but repeatable
};

// First sample of each element of one written tape file.
struct TapeFileLayout {
  std::int64_t tuneStart = 0;
  std::int64_t firstMarker = 0;
  std::int64_t sync2Start = 0;
  std::int64_t secondMarker = 0;
  std::int64_t header = 0;
  std::int64_t sync3Start = 0;
  std::int64_t thirdMarker = 0;
  std::int64_t data = 0;
  std::int64_t checksum = 0;
  std::int64_t finish = 0;
  std::int64_t end = 0;  // first sample after the finish sequence
};

struct TapeSignal {
  Signal samples;
  std::vector<std::int64_t> fileStarts;  // where each file's tuning sequence starts
  std::vector<TapeFileLayout> layouts;   // one per file, in order
};

// Why these records cannot be written with these options, or an empty text.
std::string TapeSignalProblem(std::span<const TapeRecord> records, const TapeSignalOptions& options);

// The tape signal of the records, one after another, as the decoder reads it
// with the default settings; none when TapeSignalProblem names a problem.
// Every impulse is a half-wave above the line followed by one below it, each
// shaped as a half sine.
std::optional<TapeSignal> WriteTapeSignal(std::span<const TapeRecord> records,
                                          const TapeSignalOptions& options);

}  // namespace varnetta
