#include "tape/WaveParserFront.h"

#include "tape/ImpulseRuns.h"

namespace varnetta {

using namespace impulse_runs;

std::int32_t CWaveParserFront::NextImpulse(SignalView signal, std::int32_t& cursor) const {
  const std::size_t n = UsableLength(signal);
  const std::size_t start = StartIndex(cursor);
  if (start >= n) return -1;
  const ImpulseSpan impulse = FindImpulse(FrontSides{signal.data()}, start, n, state_.inverse);
  if (impulse.end == n) return -1;
  cursor = static_cast<std::int32_t>(impulse.end);
  return static_cast<std::int32_t>(impulse.end - impulse.begin);
}

bool CWaveParserFront::FindFirstMarker(SignalView signal) {
  const auto marker = FindMarkerHalfWave(FrontSides{signal.data()}, StartIndex(state_.position), UsableLength(signal),
                                         [this](std::size_t length) { return IsMarkerHalfWave(length); });
  return marker && AcceptFirstMarker(signal, marker->end, marker->lowSide);
}

void CWaveParserFront::TrackImpulsesAfter(SignalView signal, std::size_t end,
                                    RegularityTracker& tracker) const {
  TrackRegularity(FrontSides{signal.data()}, end, UsableLength(signal), state_.inverse, tracker);
}

}  // namespace varnetta
