#pragma once

#include <cstdint>

#include "rescue/SampleWindow.h"
#include "rescue/SlotDecoder.h"
#include "rescue/ToneSearch.h"

namespace varnetta {

// Where the decoder enters a tone run: its first block may hold the tone only
// in part, so a longer run is entered at its second.
std::int32_t EntryPoint(const ToneRun& run);

// The clock of the tone at the entry point: where an impulse starts (its
// rising zero crossing; with inverse, its falling one), its period refined
// from the drift of its phase, and its amplitude.
SlotClock ToneClock(SampleWindow& window, const ToneRun& run, bool inverse);

}  // namespace varnetta
