#pragma once

#include "settings/AppSettings.h"
#include "tape/ImpulseTolerances.h"

namespace varnetta {

// The impulse tolerances the settings ask for.
inline ImpulseTolerances TolerancesOf(const AppSettings& settings) {
  return ImpulseTolerances(settings.DeltaImpulse, settings.TuneScatter);
}

}  // namespace varnetta
