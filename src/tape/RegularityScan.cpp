#include "tape/ImpulseRuns.h"

#include "common/VectorUnits.h"

namespace varnetta::impulse_runs {

namespace {

template <class Sides>
[[gnu::always_inline]] inline void TrackBody(const Sides& sides, std::size_t from, std::size_t n, bool inverse,
                                             RegularityTracker& tracker) {
  // A local copy stays in registers through the loop.
  RegularityTracker local = tracker;
  ForEachImpulseAfter(sides, from, n, inverse,
                      [&local](std::size_t length, std::size_t end) { return local.Add(length, end); });
  tracker = local;
}

// The run-end bits of a word are 64 compares of neighbouring samples, which
// wider vector units do several at a time. AVX-512 gains nothing over AVX2.
#if defined(__x86_64__) && defined(__GNUC__)
template <class Sides>
__attribute__((target("avx2"))) void TrackAvx2(const Sides& sides, std::size_t from, std::size_t n, bool inverse,
                                               RegularityTracker& tracker) {
  TrackBody(sides, from, n, inverse, tracker);
}
#endif

template <class Sides>
void Track(const Sides& sides, std::size_t from, std::size_t n, bool inverse, RegularityTracker& tracker) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (AvailableVectorUnit() != VectorUnit::Baseline) return TrackAvx2(sides, from, n, inverse, tracker);
#endif
  TrackBody(sides, from, n, inverse, tracker);
}

}  // namespace

void TrackRegularity(const AmpSides& sides, std::size_t from, std::size_t n, bool inverse,
                     RegularityTracker& tracker) {
  Track(sides, from, n, inverse, tracker);
}

void TrackRegularity(const FrontSides& sides, std::size_t from, std::size_t n, bool inverse,
                     RegularityTracker& tracker) {
  Track(sides, from, n, inverse, tracker);
}

}  // namespace varnetta::impulse_runs
