#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "audio/WavWriter.h"
#include "support/AudioFixtures.h"

namespace varnetta::test {
namespace {

struct FormatRow {
  const char* name;
  WavSampleFormat format;
  double fullScale;  // 0 for float
};

const std::vector<FormatRow> kFormats = {
    {"8-bit", WavSampleFormat::Pcm8, 127.0},
    {"16-bit", WavSampleFormat::Pcm16, 32767.0},
    {"24-bit", WavSampleFormat::Pcm24, 8388607.0},
    {"32-bit", WavSampleFormat::Pcm32, 2147483647.0},
    {"float", WavSampleFormat::Float32, 0.0},
};

// Values the reader can produce for the format: every code from the bottom to
// the top of the range at a few steps, and for float some singles.
Signal ReadableValues(const FormatRow& row, std::size_t channel, std::size_t length) {
  Signal values(length);
  for (std::size_t i = 0; i < length; ++i) {
    const double fraction = static_cast<double>((i * 7 + channel * 3) % length) / static_cast<double>(length - 1);
    if (row.fullScale == 0.0) {
      values[i] = static_cast<float>(-1.75 + 3.5 * fraction);
    } else {
      const double bottom = -row.fullScale - 1.0;
      values[i] = std::round(bottom + fraction * (row.fullScale - bottom)) / row.fullScale;
    }
  }
  return values;
}

TEST(WavWriter, WrittenSamplesReadBackExactly) {
  for (const FormatRow& row : kFormats) {
    for (const std::size_t channel_count : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{128}}) {
      SCOPED_TRACE(std::string(row.name) + ", " + std::to_string(channel_count) + " channels");
      std::vector<Signal> channels;
      for (std::size_t c = 0; c < channel_count; ++c) channels.push_back(ReadableValues(row, c, 11));
      const EncodedWav encoded = EncodeWav(channels, 48000, row.format);
      ASSERT_EQ(encoded.error, "");
      const DecodeOutcome outcome = DecodeCapturing(encoded.bytes);
      ASSERT_TRUE(outcome.ok) << outcome.errors;
      EXPECT_EQ(outcome.clip.sampleRate, 48000u);
      EXPECT_EQ(outcome.clip.bitDepth, BitsPerSample(row.format));
      EXPECT_EQ(outcome.clip.channels, channels);
      EXPECT_EQ(encoded.bytes.size() % 2, 0u);
    }
  }
}

TEST(WavWriter, WritesACanonicalHeaderAndPadsOddData) {
  const std::vector<Signal> channels = {{1.0, -128 / 127.0, 0.0}};
  const Bytes expected = ByteWriter(ByteOrder::LittleEndian)
                             .Text("RIFF").U32(40).Text("WAVE")
                             .Text("fmt ").U32(16).U16(1).U16(1).U32(8000).U32(8000).U16(1).U16(8)
                             .Text("data").U32(3).Raw({0xFF, 0x00, 0x80, 0x00})
                             .bytes();
  EXPECT_EQ(EncodeWav(channels, 8000, WavSampleFormat::Pcm8).bytes, expected);
}

TEST(WavWriter, ClampsAndRoundsToTheNearestCode) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const double largest_single = std::numeric_limits<float>::max();
  struct Row {
    const char* name;
    WavSampleFormat format;
    double written;
    double read;
  };
  const std::vector<Row> cases = {
      {"8-bit above range", WavSampleFormat::Pcm8, 2.0, 1.0},
      {"8-bit below range", WavSampleFormat::Pcm8, -2.0, -128 / 127.0},
      {"8-bit half rounds away from zero", WavSampleFormat::Pcm8, 0.5, 64 / 127.0},
      {"8-bit minus one", WavSampleFormat::Pcm8, -1.0, -1.0},
      {"16-bit half", WavSampleFormat::Pcm16, 0.5, 16384 / 32767.0},
      {"16-bit below range", WavSampleFormat::Pcm16, -1.5, -32768 / 32767.0},
      {"24-bit above range", WavSampleFormat::Pcm24, 9.0, 1.0},
      {"32-bit above range", WavSampleFormat::Pcm32, 1.0000001, 1.0},
      {"32-bit below range", WavSampleFormat::Pcm32, -3.0, -2147483648.0 / 2147483647.0},
      {"16-bit NaN", WavSampleFormat::Pcm16, nan, 0.0},
      {"32-bit infinity", WavSampleFormat::Pcm32, infinity, 0.0},
      {"float NaN", WavSampleFormat::Float32, nan, 0.0},
      {"float infinity", WavSampleFormat::Float32, -infinity, 0.0},
      {"float beyond single range", WavSampleFormat::Float32, 1e300, largest_single},
      {"float rounds to single", WavSampleFormat::Float32, 0.1, static_cast<float>(0.1)},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.name);
    const std::vector<Signal> channels = {{row.written}};
    const DecodeOutcome outcome = DecodeCapturing(EncodeWav(channels, 8000, row.format).bytes);
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    EXPECT_EQ(outcome.clip.channels[0][0], row.read);
  }
}

TEST(WavWriter, RefusesChannelsThatMakeNoWavFile) {
  struct Row {
    const char* name;
    std::vector<Signal> channels;
  };
  const std::vector<Row> cases = {
      {"no channels", {}},
      {"129 channels", std::vector<Signal>(129, Signal{0.0})},
      {"unequal lengths", {{0.0, 0.0}, {0.0}}},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.name);
    const EncodedWav encoded = EncodeWav(row.channels, 8000, WavSampleFormat::Pcm16);
    EXPECT_NE(encoded.error, "");
    EXPECT_TRUE(encoded.bytes.empty());
  }
}

TEST(WavWriter, CreatesFilesButNeverReplacesOne) {
  TempDir dir;
  const auto path = dir.path() / "out.wav";
  const std::vector<Signal> first = {{0.25, -0.5}};
  std::string error;
  ASSERT_TRUE(WriteWavFile(path, first, 22050, WavSampleFormat::Float32, error)) << error;
  const DecodeOutcome written = LoadCapturing(path.string());
  ASSERT_TRUE(written.ok) << written.errors;
  EXPECT_EQ(written.clip.channels, first);

  const std::vector<Signal> second = {{1.0}};
  EXPECT_FALSE(WriteWavFile(path, second, 22050, WavSampleFormat::Pcm16, error));
  EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  EXPECT_EQ(LoadCapturing(path.string()).clip.channels, first);

  error.clear();
  EXPECT_FALSE(WriteWavFile(dir.path() / "no-such-dir" / "x.wav", first, 22050, WavSampleFormat::Pcm16, error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(WriteWavFile(dir.path() / "bad.wav", {}, 22050, WavSampleFormat::Pcm16, error));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "bad.wav"));
}

}  // namespace
}  // namespace varnetta::test
