#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Signal.h"
#include "support/TapeRecords.h"
#include "support/TapeSignals.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta::testing {

// Tape signals kept small for tests that run whole sweeps: a tuning sequence
// not much longer than the 2048 impulses the decoder needs, a little silence
// around the files.
inline constexpr std::int32_t kShortTuneImpulses = 2200;

inline TapeSignalOptions ShortTapeOptions(double period) {
  TapeSignalOptions options;
  options.period = period;
  options.tuneImpulses = kShortTuneImpulses;
  options.leadingSilence = 64;
  options.trailingSilence = 64;
  options.gapSilence = 512;
  return options;
}

inline TapeRecord SmallRecord(std::string_view name, std::uint16_t address, std::size_t size, std::uint32_t seed) {
  return TapeRecord{address, NameOf(name), RandomBytes(size, seed)};
}

// The written signal; aborts the test program when the writer refuses, since
// every caller passes records and options that it accepts.
inline TapeSignal WriteShortTape(std::span<const TapeRecord> records, const TapeSignalOptions& options) {
  std::optional<TapeSignal> tape = WriteTapeSignal(records, options);
  if (!tape) std::abort();
  return std::move(*tape);
}

inline TapeSignal WriteShortTape(const TapeRecord& record, double period) {
  return WriteShortTape(std::span(&record, 1), ShortTapeOptions(period));
}

// lead samples of silence, the signal, then tail samples of silence.
inline Signal Padded(const Signal& signal, std::size_t lead, std::size_t tail) {
  Signal padded(lead, 0.0);
  padded.insert(padded.end(), signal.begin(), signal.end());
  padded.resize(padded.size() + tail, 0.0);
  return padded;
}

// Impulses of half a tuning period at any period above 4: they end a tuning
// sequence and are never taken for a marker.
inline Signal ShortImpulses(std::int32_t count) {
  Signal signal;
  for (std::int32_t i = 0; i < count; ++i) signal.insert(signal.end(), {0.5, 0.5, -0.5, -0.5});
  return signal;
}

inline Signal Concat(std::initializer_list<SignalView> parts) {
  Signal signal;
  for (SignalView part : parts) signal.insert(signal.end(), part.begin(), part.end());
  return signal;
}

// The files one after another, each led in by short impulses instead of
// silence. A tuning sequence then starts at its second impulse whatever the
// parser measured before; after silence, a parser that still holds the last
// impulse of an earlier search counts the silence into the sequence.
inline Signal LedInTapes(std::span<const TapeRecord> records, double period, std::int32_t leadImpulses = 16) {
  TapeSignalOptions options = ShortTapeOptions(period);
  options.leadingSilence = 0;
  options.trailingSilence = 0;
  Signal signal;
  for (const TapeRecord& record : records) {
    const Signal tape = WriteShortTape(std::span(&record, 1), options).samples;
    signal = Concat({signal, ShortImpulses(leadImpulses), tape});
  }
  signal.resize(signal.size() + 64, 0.0);
  return signal;
}

}  // namespace varnetta::testing
