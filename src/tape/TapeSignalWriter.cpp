#include "tape/TapeSignalWriter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "tape/TapeFormat.h"

namespace varnetta {

namespace {

// A sample right at a zero crossing keeps at least this fraction of the
// amplitude on its half-wave's side, so that no sample lies on the line.
constexpr double kCrossingFloor = 0.05;

// Upper bound of the samples the records take: every bit counted as a 1-bit,
// every half-wave stretched by the full jitter.
double SampleBound(std::span<const TapeRecord> records, const TapeSignalOptions& options) {
  const double tune = options.tuneImpulses;
  const double sync = options.syncImpulses;
  double periods = 0.0;
  double impulses = 0.0;
  for (const TapeRecord& record : records) {
    const double bits = 8.0 * static_cast<double>(kHeaderBytes + record.data.size() + kChecksumBytes) + 3.0;
    periods += tune + 2.0 * sync + 2.0 * kFirstMarkerHalfWave + 2.0 * kMarkerImpulse +
               bits * (kOneImpulse + kZeroImpulse) + kFinishImpulse + kZeroImpulse;
    impulses += tune + 2.0 * sync + 1.0 + 2.0 + 2.0 * bits + 2.0;
  }
  const double gaps = records.empty() ? 0.0 : static_cast<double>(records.size() - 1);
  return periods * options.period + 2.0 * impulses * options.jitter +
         static_cast<double>(options.leadingSilence) + static_cast<double>(options.trailingSilence) +
         gaps * static_cast<double>(options.gapSilence) + 1.0;
}

// Renders half-waves one after another on a continuous time line: sample k
// stands for the time k + 0.5 and belongs to the half-wave that holds it.
class Pen {
 public:
  Pen(const TapeSignalOptions& options, Signal& out)
      : options_(options), out_(out), random_(options.jitterSeed), highSign_(options.inverted ? -1.0 : 1.0) {}

  std::int64_t SampleIndex() const { return static_cast<std::int64_t>(out_.size()); }

  void Silence(std::int64_t samples) {
    time_ += static_cast<double>(samples);
    Fill([](double) { return 0.0; });
  }

  void HalfWave(double periods, bool high) {
    const double start = time_;
    const double length = periods * options_.period + options_.jitter * Jitter();
    time_ += length;
    const double peak = (high ? highSign_ : -highSign_) * options_.amplitude;
    Fill([&](double t) {
      return peak * std::max(std::sin(std::numbers::pi * (t - start) / length), kCrossingFloor);
    });
  }

  void Impulse(double periods) {
    HalfWave(periods / 2.0, true);
    HalfWave(periods / 2.0, false);
  }

  void Impulses(double periods, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) Impulse(periods);
  }

  void Bit(bool one) {
    Impulse(one ? kOneImpulse : kZeroImpulse);
    Impulse(kZeroImpulse);
  }

  void Byte(std::uint8_t byte) {
    for (int i = 0; i < 8; ++i) Bit(((byte >> i) & 1) != 0);
  }

  void Word(std::uint16_t word) {
    Byte(static_cast<std::uint8_t>(word & 0xFF));
    Byte(static_cast<std::uint8_t>(word >> 8));
  }

 private:
  // Uniform in [-1, 1], from the generator's raw output so that it repeats
  // on every platform.
  double Jitter() { return static_cast<double>(random_()) / 4294967295.0 * 2.0 - 1.0; }

  template <class Wave>
  void Fill(Wave wave) {
    for (double t = static_cast<double>(out_.size()) + 0.5; t < time_; t += 1.0) out_.push_back(wave(t));
  }

  const TapeSignalOptions& options_;
  Signal& out_;
  std::mt19937 random_;
  double highSign_;
  double time_ = 0.0;
};

TapeFileLayout WriteTapeFile(const TapeRecord& record, const TapeSignalOptions& options, Pen& pen) {
  TapeFileLayout layout;
  layout.tuneStart = pen.SampleIndex();
  pen.Impulses(kZeroImpulse, options.tuneImpulses);
  layout.firstMarker = pen.SampleIndex();
  pen.HalfWave(kFirstMarkerHalfWave, true);
  pen.HalfWave(kFirstMarkerHalfWave, false);
  pen.Bit(true);
  layout.sync2Start = pen.SampleIndex();
  pen.Impulses(kZeroImpulse, options.syncImpulses);
  layout.secondMarker = pen.SampleIndex();
  pen.Impulse(kMarkerImpulse);
  pen.Bit(true);
  layout.header = pen.SampleIndex();
  pen.Word(record.address);
  pen.Word(static_cast<std::uint16_t>(record.data.size()));
  for (std::uint8_t byte : record.name) pen.Byte(byte);
  layout.sync3Start = pen.SampleIndex();
  pen.Impulses(kZeroImpulse, options.syncImpulses);
  layout.thirdMarker = pen.SampleIndex();
  pen.Impulse(kMarkerImpulse);
  pen.Bit(true);
  layout.data = pen.SampleIndex();
  for (std::uint8_t byte : record.data) pen.Byte(byte);
  layout.checksum = pen.SampleIndex();
  pen.Word(TapeChecksum(record.data));
  layout.finish = pen.SampleIndex();
  // The impulse after the finish impulse completes it on either side.
  pen.Impulse(kFinishImpulse);
  pen.Impulse(kZeroImpulse);
  layout.end = pen.SampleIndex();
  return layout;
}

}  // namespace

std::string TapeSignalProblem(std::span<const TapeRecord> records, const TapeSignalOptions& options) {
  if (!std::isfinite(options.period) || options.period < 2.0) {
    return "the impulse period must be at least 2 samples";
  }
  if (options.tuneImpulses < 0 || options.syncImpulses < 0) {
    return "the tuning and sync sequences cannot have a negative length";
  }
  if (!std::isfinite(options.amplitude) || options.amplitude <= 0.0) {
    return "the amplitude must be a positive number";
  }
  if (options.leadingSilence < 0 || options.trailingSilence < 0 || options.gapSilence < 0) {
    return "silences cannot be negative";
  }
  if (!std::isfinite(options.jitter) || options.jitter < 0.0 || options.jitter > options.period / 8.0) {
    return "the jitter must lie between 0 and an eighth of the period";
  }
  for (const TapeRecord& record : records) {
    if (record.data.size() > 0xFFFF) return "a tape file holds at most 65535 bytes";
  }
  if (SampleBound(records, options) > static_cast<double>(kMaxSignalLength)) {
    return "the signal would be longer than 2147483647 samples";
  }
  return {};
}

std::optional<TapeSignal> WriteTapeSignal(std::span<const TapeRecord> records,
                                          const TapeSignalOptions& options) {
  if (!TapeSignalProblem(records, options).empty()) return std::nullopt;
  TapeSignal signal;
  signal.samples.reserve(static_cast<std::size_t>(SampleBound(records, options)));
  Pen pen(options, signal.samples);
  pen.Silence(options.leadingSilence);
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) pen.Silence(options.gapSilence);
    signal.layouts.push_back(WriteTapeFile(records[i], options, pen));
    signal.fileStarts.push_back(signal.layouts.back().tuneStart);
  }
  pen.Silence(options.trailingSilence);
  return signal;
}

}  // namespace varnetta
