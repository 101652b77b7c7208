#include "common/VectorUnits.h"

namespace varnetta {

namespace {

VectorUnit DetectVectorUnit() {
#if defined(__x86_64__) && defined(__GNUC__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return VectorUnit::Avx512;
  if (__builtin_cpu_supports("avx2")) return VectorUnit::Avx2;
#endif
  return VectorUnit::Baseline;
}

}  // namespace

VectorUnit AvailableVectorUnit() {
  static const VectorUnit unit = DetectVectorUnit();
  return unit;
}

}  // namespace varnetta
