#include "tape/WaveParserAmp.h"

#include "tape/ImpulseRuns.h"

namespace varnetta {

using namespace impulse_runs;

std::int32_t CWaveParserAmp::NextImpulse(SignalView signal, std::int32_t& cursor) const {
  const std::size_t n = UsableLength(signal);
  const std::size_t start = StartIndex(cursor);
  if (start >= n) return -1;
  const ImpulseSpan impulse = FindImpulse(AmpSides{signal.data(), state_.level}, start, n, state_.inverse);
  cursor = static_cast<std::int32_t>(impulse.end);
  return impulse.end == n ? -1 : static_cast<std::int32_t>(impulse.end - impulse.begin);
}

bool CWaveParserAmp::FindFirstMarker(SignalView signal) {
  const auto marker =
      FindMarkerHalfWave(AmpSides{signal.data(), state_.level}, StartIndex(state_.position), UsableLength(signal),
                         [this](std::size_t length) { return IsMarkerHalfWave(length); });
  return marker && AcceptFirstMarker(signal, marker->end, marker->lowSide);
}

void CWaveParserAmp::TrackImpulsesAfter(SignalView signal, std::size_t end,
                                    RegularityTracker& tracker) const {
  TrackRegularity(AmpSides{signal.data(), state_.level}, end, UsableLength(signal), state_.inverse, tracker);
}

}  // namespace varnetta
