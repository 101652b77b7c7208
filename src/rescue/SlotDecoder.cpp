#include "rescue/SlotDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace varnetta {

namespace {

// Points read per slot, wherever the slot falls between samples.
constexpr std::size_t kPoints = 16;

// Slot shapes: one period of a 0-bit or reference impulse; the halves of a
// 1-bit's double impulse; the quarters of a marker; the eighths of the
// finish impulse.
enum Shape : std::uint8_t { kS, kL1, kL2, kK1, kK2, kK3, kK4, kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kShapes };

struct Shapes {
  std::array<std::array<double, kPoints>, kShapes> value{};
  std::array<std::array<double, kPoints>, kShapes> slope{};  // d value / d (slot fraction)
  std::array<double, kShapes> energy{};
  std::array<double, kShapes> slopeEnergy{};
};

// A sine of `slots` slots, seen in its slot `index`, at slot fraction u.
double Part(int slots, int index, double u, bool slope) {
  const double w = 2.0 * std::numbers::pi / slots;
  const double phase = w * (u + index);
  return slope ? w * std::cos(phase) : std::sin(phase);
}

Shapes MakeShapes() {
  Shapes shapes;
  for (std::size_t j = 0; j < kPoints; ++j) {
    const double u = (static_cast<double>(j) + 0.5) / kPoints;
    for (bool slope : {false, true}) {
      auto& table = slope ? shapes.slope : shapes.value;
      table[kS][j] = Part(1, 0, u, slope);
      table[kL1][j] = Part(2, 0, u, slope);
      table[kL2][j] = Part(2, 1, u, slope);
      for (std::size_t i = 0; i < 4; ++i) table[kK1 + i][j] = Part(4, static_cast<int>(i), u, slope);
      for (std::size_t i = 0; i < 8; ++i) table[kF1 + i][j] = Part(8, static_cast<int>(i), u, slope);
    }
  }
  for (std::size_t k = 0; k < kShapes; ++k) {
    for (std::size_t j = 0; j < kPoints; ++j) {
      shapes.energy[k] += shapes.value[k][j] * shapes.value[k][j];
      shapes.slopeEnergy[k] += shapes.slope[k][j] * shapes.slope[k][j];
    }
  }
  return shapes;
}

const Shapes& SlotShapes() {
  static const Shapes shapes = MakeShapes();
  return shapes;
}

// Grammar states: at a bit boundary; expecting the reference of a 0-bit or
// of a 1-bit; in the middle of a 1-bit; inside a marker or the finish.
enum State : std::uint8_t { kB, kR0, kR1, kL, kM2, kM3, kM4, kE2, kE3, kE4, kE5, kE6, kE7, kE8, kStates };

struct Transition {
  State from;
  State to;
  Shape shape;
  char symbol;  // 0 when none is complete
};

// A run of tuning or sync periods may hold an odd number of them, so a
// marker may also follow the first period of a 0-bit.
constexpr Transition kTransitions[] = {
    {kB, kR0, kS, 0},   {kB, kL, kL1, 0},   {kB, kM2, kK1, 0},  {kB, kE2, kF1, 0},  {kR0, kB, kS, '0'},
    {kR0, kM2, kK1, 0}, {kR1, kB, kS, '1'}, {kL, kR1, kL2, 0},  {kM2, kM3, kK2, 0}, {kM3, kM4, kK3, 0},
    {kM4, kB, kK4, 'M'}, {kE2, kE3, kF2, 0}, {kE3, kE4, kF3, 0}, {kE4, kE5, kF4, 0}, {kE5, kE6, kF5, 0},
    {kE6, kE7, kF6, 0}, {kE7, kE8, kF7, 0}, {kE8, kB, kF8, 'F'},
};
constexpr int kTransitionCount = static_cast<int>(std::size(kTransitions));

// Slots between the newest slot and the one decided.
constexpr int kDecisionDelay = 64;

// Clock loop gains per slot: phase and period.
constexpr double kPhaseGain = 0.12;
constexpr double kPeriodGain = 0.008;
constexpr double kPeriodRange = 0.3;  // of the starting period, either way
constexpr double kAmplitudeGain = 0.03;
// A slot whose best shape holds less than this fraction of the amplitude
// does not steer the clock.
constexpr double kSteeringFloor = 0.3;
// The lock is lost when the running match of the best shapes falls below
// this (a clean signal gives 1, noise about 0.4).
constexpr double kLockFloor = 0.5;
constexpr double kLockSmoothing = 1.0 / 64.0;
constexpr int kLockGrace = 128;

constexpr double kNone = -std::numeric_limits<double>::infinity();

struct SlotRecord {
  std::array<std::int8_t, kStates> back{};  // transition into each state
  float margin = 0.0f;                      // of the best way into a bit boundary
  std::int32_t end = 0;
};

class Decoder {
 public:
  Decoder(SampleWindow& window, const SlotClock& clock, bool inverse, SymbolSink& sink)
      : window_(window),
        sink_(sink),
        sign_(inverse ? -1.0 : 1.0),
        time_(clock.time),
        period_(clock.period),
        startPeriod_(clock.period),
        amplitude_(clock.amplitude) {
    metric_.fill(kNone);
    metric_[kB] = 0.0;
    metric_[kR0] = 0.0;
  }

  DecodeOutcome Run(const StopRequest& stop) {
    for (std::int64_t slot = 0;; ++slot) {
      if ((slot & 4095) == 0 && stop.IsRequested()) return End(DecodeEnd::Stopped, false);
      if (time_ + period_ + 1.0 >= window_.End()) return End(DecodeEnd::StretchEnd, true);
      if (!Step(slot)) return End(DecodeEnd::Sink, false);
      if (slot > kLockGrace && lock_ < kLockFloor) return End(DecodeEnd::LockLost, true);
      if ((slot & 1023) == 0) window_.Forget(time_);
    }
  }

 private:
  bool Step(std::int64_t slot) {
    const Shapes& shapes = SlotShapes();
    std::array<double, kPoints> x{};
    double power = 0.0;
    for (std::size_t j = 0; j < kPoints; ++j) {
      x[j] = sign_ * window_.At(time_ + (static_cast<double>(j) + 0.5) * period_ / kPoints);
      power += x[j] * x[j];
    }
    std::array<double, kShapes> branch{};
    std::array<double, kShapes> match{};
    for (std::size_t k = 0; k < kShapes; ++k) {
      double sum = 0.0;
      for (std::size_t j = 0; j < kPoints; ++j) sum += x[j] * shapes.value[k][j];
      match[k] = sum;
      branch[k] = amplitude_ * sum - 0.5 * amplitude_ * amplitude_ * shapes.energy[k];
    }

    SlotRecord& record = ring_[static_cast<std::size_t>(slot % kRing)];
    std::array<double, kStates> next;
    next.fill(kNone);
    double runnerUp = kNone;
    for (int t = 0; t < kTransitionCount; ++t) {
      const Transition& tr = kTransitions[static_cast<std::size_t>(t)];
      if (metric_[tr.from] == kNone) continue;
      const double m = metric_[tr.from] + branch[tr.shape];
      if (m > next[tr.to]) {
        if (tr.to == kB) runnerUp = next[kB];
        next[tr.to] = m;
        record.back[tr.to] = static_cast<std::int8_t>(t);
      } else if (tr.to == kB && m > runnerUp) {
        runnerUp = m;
      }
    }
    const State best = static_cast<State>(std::max_element(next.begin(), next.end()) - next.begin());
    const double top = next[best];
    for (double& m : next) m = m == kNone ? kNone : m - top;
    metric_ = next;
    const double slotEnergy = amplitude_ * amplitude_ * shapes.energy[kS];
    record.margin = runnerUp == kNone || slotEnergy <= 0.0
                        ? 1e9f
                        : static_cast<float>((next[kB] - (runnerUp - top)) / slotEnergy);

    Steer(shapes, kTransitions[static_cast<std::size_t>(record.back[best])].shape, x, match, power);
    record.end = static_cast<std::int32_t>(std::lround(time_));
    ++slots_;
    if (slot < kDecisionDelay) return true;
    return EmitDecided(slot, best);
  }

  // Moves the clock on by one slot, corrected by the timing, the amplitude
  // and the match of the slot's best shape.
  void Steer(const Shapes& shapes, Shape shape, const std::array<double, kPoints>& x,
             const std::array<double, kShapes>& match, double power) {
    const double energy = shapes.energy[shape];
    const double level = match[shape] / energy;
    const double fit = power > 0.0 ? match[shape] / std::sqrt(power * energy) : 0.0;
    lock_ += kLockSmoothing * (fit - lock_);
    double shift = 0.0;
    if (level > kSteeringFloor * amplitude_ && shapes.slopeEnergy[shape] > 0.0) {
      double along = 0.0;
      for (std::size_t j = 0; j < kPoints; ++j) along += (x[j] - amplitude_ * shapes.value[shape][j]) * shapes.slope[shape][j];
      shift = std::clamp(-period_ * along / (amplitude_ * shapes.slopeEnergy[shape]), -period_ / 4, period_ / 4);
    }
    if (level > 0.0) amplitude_ += kAmplitudeGain * (level - amplitude_);
    time_ += period_ + kPhaseGain * shift;
    period_ = std::clamp(period_ + kPeriodGain * shift, startPeriod_ * (1 - kPeriodRange),
                         startPeriod_ * (1 + kPeriodRange));
  }

  State Trace(std::int64_t from, State state, std::int64_t to) const {
    for (std::int64_t i = from; i > to; --i) {
      state = kTransitions[static_cast<std::size_t>(ring_[static_cast<std::size_t>(i % kRing)].back[state])].from;
    }
    return state;
  }

  bool Emit(std::int64_t slot, State state) {
    const SlotRecord& record = ring_[static_cast<std::size_t>(slot % kRing)];
    const Transition& tr = kTransitions[record.back[state]];
    if (tr.symbol == 0) return true;
    return sink_.Take({static_cast<TapeSymbol>(tr.symbol), record.end, tr.to == kB ? record.margin : 0.0f});
  }

  bool EmitDecided(std::int64_t slot, State best) {
    const std::int64_t decided = slot - kDecisionDelay;
    return Emit(decided, Trace(slot, best, decided));
  }

  // The slots not yet decided, along the best path into the newest one.
  DecodeOutcome End(DecodeEnd reason, bool flush) {
    const DecodeOutcome outcome{reason, static_cast<std::int32_t>(std::lround(time_))};
    if (!flush || slots_ == 0) return outcome;
    const std::int64_t last = slots_ - 1;
    const State best = static_cast<State>(std::max_element(metric_.begin(), metric_.end()) - metric_.begin());
    const std::int64_t first = std::max<std::int64_t>(0, last - kDecisionDelay + 1);
    for (std::int64_t i = first; i <= last; ++i) {
      if (!Emit(i, Trace(last, best, i))) return {DecodeEnd::Sink, outcome.position};
    }
    return outcome;
  }

  static constexpr std::int64_t kRing = kDecisionDelay + 1;

  SampleWindow& window_;
  SymbolSink& sink_;
  double sign_;
  double time_;
  double period_;
  double startPeriod_;
  double amplitude_;
  double lock_ = 1.0;
  std::int64_t slots_ = 0;
  std::array<double, kStates> metric_{};
  std::array<SlotRecord, kRing> ring_{};
};

}  // namespace

DecodeOutcome DecodeSlots(SampleWindow& window, SlotClock clock, bool inverse, SymbolSink& sink,
                          const StopRequest& stop) {
  Decoder decoder(window, clock, inverse, sink);
  return decoder.Run(stop);
}

}  // namespace varnetta
