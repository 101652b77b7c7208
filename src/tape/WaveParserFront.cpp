#include "tape/WaveParserFront.h"

#include "tape/ImpulseRuns.h"

namespace varnetta {

using namespace impulse_runs;

std::int32_t CWaveParserFront::NextImpulse(SignalView signal, std::int32_t& cursor) const {
  const std::size_t n = UsableLength(signal);
  const std::size_t start = StartIndex(cursor);
  if (start >= n) return -1;
  const ImpulseSpan impulse = FindImpulse(EdgeSides{signal.data()}, start, n, inverse);
  if (impulse.end == n) return -1;
  cursor = static_cast<std::int32_t>(impulse.end);
  return static_cast<std::int32_t>(impulse.end - impulse.begin);
}

bool CWaveParserFront::FindFirstMarker(SignalView signal) {
  const auto marker = FindMarkerHalfWave(EdgeSides{signal.data()}, StartIndex(position), UsableLength(signal),
                                         [this](std::size_t length) { return IsMarkerHalfWave(length); });
  return marker && AcceptFirstMarker(signal, marker->end, marker->lowSide);
}

void CWaveParserFront::TrackImpulsesAfter(SignalView signal, std::size_t end,
                                    RegularityTracker& tracker) const {
  TrackRegularity(EdgeSides{signal.data()}, end, UsableLength(signal), inverse, tracker);
}

}  // namespace varnetta
