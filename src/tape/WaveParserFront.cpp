#include "tape/WaveParserFront.h"

#include "tape/ImpulseRuns.h"

namespace varnetta {

using namespace impulse_runs;

std::int32_t CWaveParserFront::NextImpulse(SignalView signal, std::int32_t& cursor) const {
  const std::size_t n = UsableLength(signal);
  const std::size_t start = StartIndex(cursor);
  if (start >= n) return -1;
  const std::size_t end = ImpulseEnd(EdgeSides{signal.data()}, start, n, inverse);
  if (end == n) return -1;
  cursor = static_cast<std::int32_t>(end);
  return static_cast<std::int32_t>(end - start);
}

bool CWaveParserFront::FindFirstMarker(SignalView signal) {
  const auto marker =
      FindMarkerHalfWave(EdgeSides{signal.data()}, StartIndex(position), UsableLength(signal),
                         [this](std::size_t length) { return IsMarkerHalfWave(length); });
  return marker && AcceptFirstMarker(signal, marker->end, marker->lowSide);
}

}  // namespace varnetta
