#include "tape/WaveParserAmp.h"

#include "tape/ImpulseRuns.h"

namespace varnetta {

using namespace impulse_runs;

std::int32_t CWaveParserAmp::NextImpulse(SignalView signal, std::int32_t& cursor) const {
  const std::size_t n = UsableLength(signal);
  const std::size_t start = StartIndex(cursor);
  if (start >= n) return -1;
  const ImpulseSpan impulse = FindImpulse(LevelSides{signal.data(), level}, start, n, inverse);
  cursor = static_cast<std::int32_t>(impulse.end);
  return impulse.end == n ? -1 : static_cast<std::int32_t>(impulse.end - impulse.begin);
}

bool CWaveParserAmp::FindFirstMarker(SignalView signal) {
  const auto marker =
      FindMarkerHalfWave(LevelSides{signal.data(), level}, StartIndex(position), UsableLength(signal),
                         [this](std::size_t length) { return IsMarkerHalfWave(length); });
  return marker && AcceptFirstMarker(signal, marker->end, marker->lowSide);
}

void CWaveParserAmp::TrackImpulsesAfter(SignalView signal, std::size_t end,
                                    RegularityTracker& tracker) const {
  TrackRegularity(LevelSides{signal.data(), level}, end, UsableLength(signal), inverse, tracker);
}

}  // namespace varnetta
