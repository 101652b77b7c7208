#pragma once

#include <cstdint>
#include <vector>

#include "common/StopRequest.h"
#include "rescue/SampleWindow.h"

namespace varnetta {

// What the slot decoder reads from the tape signal, one impulse period (a
// slot) at a time: bits, markers (an impulse of four periods) and the finish
// impulse (eight periods).
enum class TapeSymbol : char { Zero = '0', One = '1', Marker = 'M', Finish = 'F' };

struct DecodedSymbol {
  TapeSymbol symbol = TapeSymbol::Zero;
  std::int32_t end = 0;     // the sample after it
  float confidence = 0.0f;  // its margin over the next best reading, in slot energies
};

// Where and how the decoder starts: at the first sample of an impulse of a
// tuning sequence, with its period and the signal's amplitude there.
struct SlotClock {
  double time = 0.0;
  double period = 0.0;
  double amplitude = 0.0;
};

// Receives the symbols in order; returns false to end the decoding.
class SymbolSink {
 public:
  virtual bool Take(const DecodedSymbol& symbol) = 0;

 protected:
  ~SymbolSink() = default;
};

// Why a decoding ended.
enum class DecodeEnd { Sink, LockLost, StretchEnd, Stopped };

struct DecodeOutcome {
  DecodeEnd reason = DecodeEnd::StretchEnd;
  std::int32_t position = 0;  // where the decoder was
};

// Reads the signal slot by slot from the clock on: the most likely sequence
// of slot shapes under the tape's grammar (a 0-bit is a period and a
// reference period, a 1-bit a double period and a reference, a marker four
// periods, the finish eight), found by a Viterbi search that is decided a
// fixed number of slots behind the newest. The clock follows the signal's
// timing (wow, flutter, drift) and its amplitude (dropouts) from each slot's
// best reading. inverse reads the signal upside down. Ends when the sink
// says so, when the signal no longer looks like tape signal, or at the end
// of the window.
DecodeOutcome DecodeSlots(SampleWindow& window, SlotClock clock, bool inverse, SymbolSink& sink,
                          const StopRequest& stop);

}  // namespace varnetta
