#pragma once

namespace varnetta {

// The vector units that the hot loops have compiled variants for.
enum class VectorUnit { Baseline, Avx2, Avx512 };

// The widest of them this processor has. Detected at the first call rather
// than by the loader, which would run the detection before a sanitizer's
// runtime is ready.
VectorUnit AvailableVectorUnit();

}  // namespace varnetta
