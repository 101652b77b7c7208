#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tape/TapeSignalWriter.h"

namespace varnetta {
namespace {

TapeRecord SmallRecord() { return {0100, {}, {1, 2, 3, 4}}; }

TEST(TapeSignalWriter, RefusesWhatCannotBeWritten) {
  struct Case {
    const char* name;
    std::function<void(TapeSignalOptions&, TapeRecord&)> change;
  };
  const Case cases[] = {
      {"period below 2 samples", [](TapeSignalOptions& o, TapeRecord&) { o.period = 1.5; }},
      {"period not a number", [](TapeSignalOptions& o, TapeRecord&) { o.period = std::nan(""); }},
      {"infinite period", [](TapeSignalOptions& o, TapeRecord&) { o.period = INFINITY; }},
      {"negative tuning", [](TapeSignalOptions& o, TapeRecord&) { o.tuneImpulses = -1; }},
      {"negative sync", [](TapeSignalOptions& o, TapeRecord&) { o.syncImpulses = -1; }},
      {"zero amplitude", [](TapeSignalOptions& o, TapeRecord&) { o.amplitude = 0.0; }},
      {"negative silence", [](TapeSignalOptions& o, TapeRecord&) { o.gapSilence = -1; }},
      {"jitter above an eighth of T", [](TapeSignalOptions& o, TapeRecord&) { o.jitter = 16.0 / 8 + 0.01; }},
      {"negative jitter", [](TapeSignalOptions& o, TapeRecord&) { o.jitter = -0.1; }},
      {"more than 65535 bytes", [](TapeSignalOptions&, TapeRecord& r) { r.data.resize(65536); }},
      {"longer than 2^31 - 1 samples",
       [](TapeSignalOptions& o, TapeRecord&) { o.trailingSilence = 1LL << 31; }},
      {"longer through the period", [](TapeSignalOptions& o, TapeRecord&) { o.period = 1e9; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TapeSignalOptions options;
    TapeRecord record = SmallRecord();
    c.change(options, record);
    EXPECT_FALSE(TapeSignalProblem({&record, 1}, options).empty());
    EXPECT_FALSE(WriteTapeSignal({&record, 1}, options));
  }
  TapeSignalOptions options;
  TapeRecord largest = SmallRecord();
  largest.data.resize(65535);
  EXPECT_EQ(TapeSignalProblem({&largest, 1}, options), "");
}

TEST(TapeSignalWriter, LaysTheElementsOutInOrder) {
  TapeSignalOptions options;
  options.period = 7.25;
  options.tuneImpulses = 100;
  options.syncImpulses = 9;
  options.leadingSilence = 33;
  options.trailingSilence = 44;
  const TapeRecord record = SmallRecord();
  const auto signal = WriteTapeSignal({&record, 1}, options);
  ASSERT_TRUE(signal);
  const TapeFileLayout& l = signal->layouts[0];
  EXPECT_EQ(l.tuneStart, 33);
  const double t = options.period;
  // Element starts are the first samples at or after the written times.
  const auto near = [&](std::int64_t sample, double periods, std::int64_t from) {
    EXPECT_NEAR(static_cast<double>(sample - from), periods * t, 1.0);
  };
  near(l.firstMarker, 100, l.tuneStart);
  near(l.sync2Start, 4 + 3, l.firstMarker);
  near(l.secondMarker, 9, l.sync2Start);
  near(l.header, 4 + 3, l.secondMarker);
  near(l.sync3Start, 20 * 8 * 2 + 2 /* the 1-bits of 0100 and 4 */, l.header);
  near(l.thirdMarker, 9, l.sync3Start);
  near(l.data, 4 + 3, l.thirdMarker);
  near(l.checksum, 4 * 8 * 2 + 5 /* the 1-bits of 1, 2, 3, 4 */, l.data);
  near(l.finish, 2 * 8 * 2 + 2 /* checksum 10 */, l.checksum);
  near(l.end, 8 + 1, l.finish);
  EXPECT_EQ(static_cast<std::int64_t>(signal->samples.size()), l.end + 44);
  EXPECT_TRUE(
      std::all_of(signal->samples.begin(), signal->samples.begin() + 33, [](double s) { return s == 0.0; }));
  EXPECT_TRUE(
      std::all_of(signal->samples.end() - 44, signal->samples.end(), [](double s) { return s == 0.0; }));
  // Inside the file no sample lies on the line, none beyond the amplitude.
  EXPECT_TRUE(std::none_of(signal->samples.begin() + 33, signal->samples.end() - 44,
                           [&](double s) { return s == 0.0 || std::abs(s) > options.amplitude; }));
}

TEST(TapeSignalWriter, InvertedIsTheNegatedSignal) {
  TapeSignalOptions options;
  options.period = 9.3;
  options.jitter = 0.5;
  options.tuneImpulses = 64;
  const TapeRecord record = SmallRecord();
  const auto direct = WriteTapeSignal({&record, 1}, options);
  options.inverted = true;
  const auto inverted = WriteTapeSignal({&record, 1}, options);
  ASSERT_TRUE(direct && inverted);
  ASSERT_EQ(direct->samples.size(), inverted->samples.size());
  for (std::size_t i = 0; i < direct->samples.size(); ++i)
    ASSERT_EQ(inverted->samples[i], -direct->samples[i]) << i;
}

TEST(TapeSignalWriter, JitterRepeatsWithItsSeed) {
  TapeSignalOptions options;
  options.tuneImpulses = 64;
  options.jitter = 1.0;
  const TapeRecord record = SmallRecord();
  const auto first = WriteTapeSignal({&record, 1}, options);
  const auto again = WriteTapeSignal({&record, 1}, options);
  options.jitterSeed = 2;
  const auto other = WriteTapeSignal({&record, 1}, options);
  ASSERT_TRUE(first && again && other);
  EXPECT_EQ(first->samples, again->samples);
  EXPECT_NE(first->samples, other->samples);
}

}  // namespace
}  // namespace varnetta
