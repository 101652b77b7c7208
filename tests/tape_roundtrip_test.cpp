#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/ParserSettings.h"
#include "support/TapeSignals.h"
#include "tape/TapeSignalWriter.h"
#include "tape/WaveParserAmp.h"
#include "tape/WaveParserFront.h"

namespace varnetta {
namespace {

using testing::AddNoise;
using testing::RandomBytes;

enum class Parser { kAmp, kFront };

std::unique_ptr<CWaveParserProto> MakeParser(Parser parser) {
  if (parser == Parser::kAmp) return std::make_unique<CWaveParserAmp>(testing::DefaultTolerances());
  return std::make_unique<CWaveParserFront>(testing::DefaultTolerances());
}

// Name bytes 16 k .. 16 k + 15, so that the rows together cover every byte value.
TapeName NameBlock(int k) {
  TapeName name;
  for (std::size_t i = 0; i < name.size(); ++i)
    name[i] = static_cast<std::uint8_t>(16 * k + static_cast<int>(i));
  return name;
}

void ExpectDecodes(CWaveParserProto& parser, SignalView signal, const TapeRecord& written) {
  TapeFile record;
  ASSERT_EQ(parser.Recognize(record, signal, CWaveParserProto::MeanLevel(signal), "tape.wav", "round trip"),
            RecognitionStage::Complete);
  EXPECT_EQ(record.address, written.address);
  EXPECT_EQ(record.length, written.data.size());
  EXPECT_EQ(record.name, written.name);
  EXPECT_EQ(record.checksum, TapeChecksum(written.data));
  ASSERT_TRUE(parser.data);
  EXPECT_EQ(*parser.data, written.data);
  EXPECT_EQ(TapeChecksum(*parser.data), record.checksum);
}

// The edge parser follows every wiggle of the raw wave, so its rows carry
// jitter but no noise; noise is for the level parser. Noise moves the zero
// crossings by a sample or so, and the tuning sequence allows neighbouring
// impulses only 3 samples of difference, so the longer the period (the
// flatter the crossings), the less noise a row carries.
struct RoundTrip {
  Parser parser;
  double period;
  bool inverted;
  double jitter;
  double noise;
  std::size_t size;
};

const RoundTrip kRoundTrips[] = {
    {Parser::kAmp, 4.0, false, 0.0, 0.0, 1},        {Parser::kAmp, 4.5, true, 0.1, 0.0, 37},
    {Parser::kAmp, 5.25, false, 0.2, 0.0, 300},     {Parser::kAmp, 6.0, true, 0.25, 0.0, 1000},
    {Parser::kAmp, 8.0, false, 0.25, 0.05, 4000},   {Parser::kAmp, 11.3, true, 0.25, 0.04, 2500},
    {Parser::kAmp, 17.75, false, 0.25, 0.03, 999},  {Parser::kAmp, 25.0, true, 0.25, 0.02, 3000},
    {Parser::kAmp, 40.0, false, 0.25, 0.015, 5000}, {Parser::kFront, 4.0, false, 0.0, 0.0, 17},
    {Parser::kFront, 5.5, true, 0.1, 0.0, 256},        {Parser::kFront, 8.0, false, 0.25, 0.0, 1024},
    {Parser::kFront, 12.4, true, 0.25, 0.0, 3000},     {Parser::kFront, 20.0, false, 0.25, 0.0, 777},
    {Parser::kFront, 33.3, true, 0.25, 0.0, 2048},     {Parser::kFront, 40.0, false, 0.25, 0.0, 4000},
};

TEST(TapeRoundTrip, DecodesWhatWasWritten) {
  static_assert(std::size(kRoundTrips) >= 16, "the names cover all 256 byte values");
  for (std::size_t row = 0; row < std::size(kRoundTrips); ++row) {
    const RoundTrip& c = kRoundTrips[row];
    SCOPED_TRACE(::testing::Message() << "row " << row << (c.parser == Parser::kAmp ? " level" : " edge")
                                      << " T " << c.period << (c.inverted ? " inverted" : ""));
    const auto seed = static_cast<std::uint32_t>(1000 + row);
    const TapeRecord written{static_cast<std::uint16_t>(0x1234 * row), NameBlock(static_cast<int>(row % 16)),
                             RandomBytes(c.size, seed)};
    TapeSignalOptions options;
    options.period = c.period;
    options.inverted = c.inverted;
    options.jitter = c.jitter;
    options.jitterSeed = seed;
    options.leadingSilence = 500;
    options.trailingSilence = 500;
    auto signal = WriteTapeSignal({&written, 1}, options);
    ASSERT_TRUE(signal);
    if (c.noise > 0.0) AddNoise(signal->samples, c.noise, seed);

    auto parser = MakeParser(c.parser);
    ExpectDecodes(*parser, signal->samples, written);
    if (c.parser == Parser::kAmp) {
      EXPECT_EQ(parser->State().inverse, c.inverted);
    }
  }
}

TEST(TapeRoundTrip, SeveralFilesDecodeFromTheirStarts) {
  const TapeRecord files[] = {
      {01000, testing::NameOf({'O', 'N', 'E'}), RandomBytes(100, 1)},
      {02000, testing::NameOf({'T', 'W', 'O'}), RandomBytes(1, 2)},
      {03000, testing::NameOf({0xF4, 0xF2, 0xE9}), RandomBytes(700, 3)},
  };
  TapeSignalOptions options;
  options.period = 9.5;
  options.gapSilence = 3000;
  options.leadingSilence = 77;
  const auto signal = WriteTapeSignal(files, options);
  ASSERT_TRUE(signal);
  ASSERT_EQ(signal->fileStarts.size(), 3U);
  ASSERT_EQ(signal->layouts.size(), 3U);
  EXPECT_EQ(signal->fileStarts[0], 77);

  for (const Parser kind : {Parser::kAmp, Parser::kFront}) {
    auto parser = MakeParser(kind);
    for (std::size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(::testing::Message() << (kind == Parser::kAmp ? "level" : "edge") << " file " << i);
      EXPECT_EQ(signal->fileStarts[i], signal->layouts[i].tuneStart);
      if (i > 0) {
        EXPECT_EQ(signal->layouts[i].tuneStart, signal->layouts[i - 1].end + options.gapSilence);
      }
      const SignalView piece =
          SignalView(signal->samples).subspan(static_cast<std::size_t>(signal->fileStarts[i]));
      ExpectDecodes(*parser, piece, files[i]);
    }
  }
}

}  // namespace
}  // namespace varnetta
