#pragma once

#include "tape/WaveParserProto.h"

namespace varnetta {

// Measures impulses by edges: rising and falling runs of neighbouring
// samples, whatever their level. The position moves only when an impulse is
// complete.
class CWaveParserFront : public CWaveParserProto {
 public:
  using CWaveParserProto::CWaveParserProto;

  std::int32_t NextImpulse(SignalView signal, std::int32_t& cursor) const override;
  bool FindFirstMarker(SignalView signal) override;

 protected:
  void TrackImpulsesAfter(SignalView signal, std::size_t end, impulse_runs::RegularityTracker& tracker) const override;
  bool ReadsLevel() const override { return false; }
};

}  // namespace varnetta
