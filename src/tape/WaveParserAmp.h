#pragma once

#include "tape/WaveParserProto.h"

namespace varnetta {

// Measures impulses by amplitude: a sample at or above the mean level of the
// signal is on the high side. Every advance of the position is kept, so at
// the end of the signal the position is the number of samples.
class CWaveParserAmp : public CWaveParserProto {
 public:
  using CWaveParserProto::CWaveParserProto;

  std::int32_t NextImpulse(SignalView signal, std::int32_t& cursor) const override;
  bool FindFirstMarker(SignalView signal) override;

 protected:
  void TrackImpulsesAfter(SignalView signal, std::size_t end, impulse_runs::RegularityTracker& tracker) const override;
};

}  // namespace varnetta
