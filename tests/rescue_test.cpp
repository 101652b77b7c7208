#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "audio/WavWriter.h"
#include "recognition/BinLayout.h"
#include "support/ProcessingFixture.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta {
namespace {

constexpr double kPeriod = 16.0;
constexpr std::uint32_t kRate = 44100;

TapeRecord Record(std::size_t size, std::uint32_t seed) {
  TapeRecord record;
  record.address = 01000;
  record.name = TextToTapeName("RESCUE");
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < size; ++i) record.data.push_back(static_cast<std::uint8_t>(random() & 0xFF));
  return record;
}

TapeSignalOptions Options() {
  TapeSignalOptions options;
  options.period = kPeriod;
  options.leadingSilence = 8000;
  options.trailingSilence = 8000;
  return options;
}

TapeSignal Write(const TapeRecord& record, const TapeSignalOptions& options) {
  return *WriteTapeSignal(std::span(&record, 1), options);
}

double Rms(const Signal& signal) {
  double sum = 0.0;
  for (double x : signal) sum += x * x;
  return std::sqrt(sum / static_cast<double>(signal.size()));
}

void AddNoise(Signal& signal, double snrDb, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, Rms(signal) / std::pow(10.0, snrDb / 20.0));
  for (double& x : signal) x += noise(random);
}

// Mains hum with its harmonics, each 12 dB below the one before.
void AddHum(Signal& signal, double timesRms) {
  const double peak = timesRms * Rms(signal) * std::numbers::sqrt2;
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double hum = 0.0;
    for (int h = 1; h <= 5; ++h) hum += std::pow(0.25, h - 1) * std::sin(2.0 * std::numbers::pi * 60.0 * h * t);
    signal[i] += peak * hum;
  }
}

class DeepRecovery : public testing::ProcessingFixture {
 protected:
  // Decodes the channels as a recording on disk, with deep recovery on or
  // off; the .bin files written.
  std::vector<std::filesystem::path> Decode(const std::vector<Signal>& channels, bool deep) {
    std::string error;
    EXPECT_TRUE(WriteWavFile(RecordingPath(), channels, kRate, WavSampleFormat::Float32, error)) << error;
    context.settings.DeepRecovery = deep ? 1 : 0;
    EXPECT_TRUE(context.sourceClip.Load(RecordingText()));
    ProcessRecording(context, RecordingPath());
    std::vector<std::filesystem::path> bins;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (entry.path().extension() == ".bin") bins.push_back(entry.path());
    }
    return bins;
  }

  void RemoveOutputs() {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry.path());
  }
};

struct Degraded {
  const char* what;
  std::function<std::vector<Signal>(const TapeRecord&)> make;
};

TEST_F(DeepRecovery, ReadsWhatTheSweepGivesUpOn) {
  const Degraded rows[] = {
      {"white noise at 0 dB",
       [](const TapeRecord& r) {
         Signal s = Write(r, Options()).samples;
         AddNoise(s, 0.0, 3);
         return std::vector<Signal>{s};
       }},
      {"a tuning of 256 impulses",
       [](const TapeRecord& r) {
         TapeSignalOptions options = Options();
         options.tuneImpulses = 256;
         Signal s = Write(r, options).samples;
         AddNoise(s, 20.0, 4);
         return std::vector<Signal>{s};
       }},
      {"hum at three times the signal",
       [](const TapeRecord& r) {
         Signal s = Write(r, Options()).samples;
         AddHum(s, 3.0);
         return std::vector<Signal>{s};
       }},
      {"inverse polarity at 2 dB",
       [](const TapeRecord& r) {
         TapeSignalOptions options = Options();
         options.inverted = true;
         Signal s = Write(r, options).samples;
         AddNoise(s, 2.0, 5);
         return std::vector<Signal>{s};
       }},
      {"stereo, the right channel 5 samples behind, each at -3 dB",
       [](const TapeRecord& r) {
         Signal left = Write(r, Options()).samples;
         Signal right(5, 0.0);
         right.insert(right.end(), left.begin(), left.end() - 5);
         AddNoise(left, -3.0, 6);
         AddNoise(right, -3.0, 7);
         return std::vector<Signal>{left, right};
       }},
  };
  const TapeRecord record = Record(300, 11);
  for (const Degraded& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<Signal> channels = row.make(record);
    EXPECT_TRUE(Decode(channels, false).empty()) << "the sweep alone reads it: the row shows nothing";
    RemoveOutputs();
    const std::vector<std::filesystem::path> bins = Decode(channels, true);
    ASSERT_EQ(bins.size(), 1u);
    EXPECT_EQ(bins.front().filename(), "RESCUE.bin");
    TapeFile header;
    header.address = record.address;
    header.length = static_cast<std::uint16_t>(record.data.size());
    const std::vector<std::uint8_t> expected = EncodeBinFile(header, record.data, false);
    EXPECT_EQ(testing::ReadFileBytes(bins.front()), std::string(expected.begin(), expected.end()));
    EXPECT_NE(ListLog().find(Stored("\t(ГВ, ")), std::string::npos) << ListLog();
    RemoveOutputs();
  }
}

// The data of one record under the checksum of another that differs in one
// bit: every element in place, only the checksum says it is wrong.
Signal FlippedBit(const TapeRecord& record) {
  TapeRecord flipped = record;
  flipped.data[100] ^= 0x08;
  const TapeSignal wrong = Write(flipped, Options());
  const TapeSignal right = Write(record, Options());
  Signal spliced(wrong.samples.begin(), wrong.samples.begin() + wrong.layouts[0].checksum);
  spliced.insert(spliced.end(), right.samples.begin() + right.layouts[0].checksum, right.samples.end());
  return spliced;
}

// Music-like: a few tones of the tape's band that come and go.
Signal Chords(std::size_t samples) {
  Signal s(samples);
  const double notes[] = {1378.0, 2756.0, 689.0, 2067.0};
  for (std::size_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / kRate;
    for (std::size_t n = 0; n < std::size(notes); ++n) {
      const double envelope = 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * (0.7 + 0.3 * n) * t);
      s[i] += 0.2 * envelope * std::sin(2.0 * std::numbers::pi * notes[n] * t);
    }
  }
  return s;
}

TEST_F(DeepRecovery, WritesNoFileWhereNoneCanBeTrusted) {
  const TapeRecord record = Record(300, 12);
  const std::size_t length = Write(record, Options()).samples.size();
  Signal hopeless = Write(record, Options()).samples;
  AddNoise(hopeless, -12.0, 9);
  Signal loudNoise(length);
  std::mt19937 random(10);
  for (double& x : loudNoise) x = (static_cast<double>(random()) / 4294967295.0 - 0.5) * 0.8;
  const Signal cases[] = {FlippedBit(record), Chords(length), loudNoise, hopeless};
  const char* names[] = {"a flipped bit", "chords in the tape's band", "white noise", "tape signal at -12 dB"};
  context.settings.IgnoreCRC = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_TRUE(Decode({cases[i]}, true).empty());
    RemoveOutputs();
  }
}

TEST_F(DeepRecovery, SavesAFileWhoseChecksumFailsOnlyWithIgnoreCrcAndMarked) {
  const TapeRecord record = Record(300, 13);
  Signal flipped = FlippedBit(record);
  AddNoise(flipped, 6.0, 14);
  context.settings.IgnoreCRC = 1;
  const std::vector<std::filesystem::path> bins = Decode({flipped}, true);
  for (const auto& bin : bins) EXPECT_NE(bin.filename().string().find("_BadCRC"), std::string::npos) << bin;
  EXPECT_FALSE(bins.empty());
}

}  // namespace
}  // namespace varnetta
