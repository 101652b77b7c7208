#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/AudioFixtures.h"

namespace varnetta::test {
namespace {

constexpr ByteOrder kLittle = ByteOrder::LittleEndian;

Bytes CanonicalWave(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, const Bytes& samples) {
  return WaveFile({{"fmt ", WaveFormatBody(tag, channels, 44100, bits)}, {"data", samples}});
}

// The 40-byte fmt body of an extensible file whose sub-format GUID starts with sub_tag.
Bytes ExtensibleFormatBody(std::uint16_t channels, std::uint16_t bits, std::uint16_t sub_tag) {
  return ByteWriter(kLittle)
      .Raw(WaveFormatBody(65534, channels, 8000, bits))
      .U16(22).U16(bits).U32(0)
      .U16(sub_tag).Raw({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
      .bytes();
}

struct ConversionCase {
  const char* name;
  Bytes file;
  double expected;
};

TEST(WaveDecoder, ConvertsEachSampleFormat) {
  const std::vector<ConversionCase> cases = {
      {"8-bit centre", CanonicalWave(1, 1, 8, {0x80}), 0.0},
      {"8-bit top", CanonicalWave(1, 1, 8, {0xFF}), 1.0},
      {"8-bit bottom", CanonicalWave(1, 1, 8, {0x00}), -128 / 127.0},
      {"16-bit bottom", CanonicalWave(1, 1, 16, {0x00, 0x80}), -32768 / 32767.0},
      {"16-bit top", CanonicalWave(1, 1, 16, {0xFF, 0x7F}), 1.0},
      {"16-bit one", CanonicalWave(1, 1, 16, {0x01, 0x00}), 1 / 32767.0},
      {"16-bit minus one", CanonicalWave(1, 1, 16, {0xFF, 0xFF}), -1 / 32767.0},
      {"24-bit bottom", CanonicalWave(1, 1, 24, {0x00, 0x00, 0x80}), -8388608 / 8388607.0},
      {"24-bit top", CanonicalWave(1, 1, 24, {0xFF, 0xFF, 0x7F}), 1.0},
      {"24-bit minus one", CanonicalWave(1, 1, 24, {0xFF, 0xFF, 0xFF}), -1 / 8388607.0},
      {"32-bit bottom", CanonicalWave(1, 1, 32, {0x00, 0x00, 0x00, 0x80}), -2147483648.0 / 2147483647.0},
      {"32-bit top", CanonicalWave(1, 1, 32, {0xFF, 0xFF, 0xFF, 0x7F}), 1.0},
      {"float passes through", CanonicalWave(3, 1, 32, {0x00, 0x00, 0xC0, 0x3F}), 1.5},
      {"float negative", CanonicalWave(3, 1, 32, {0x00, 0x00, 0x80, 0xBE}), -0.25},
      {"float NaN becomes zero", CanonicalWave(3, 1, 32, {0x00, 0x00, 0xC0, 0x7F}), 0.0},
      {"float infinity becomes zero", CanonicalWave(3, 1, 32, {0x00, 0x00, 0x80, 0x7F}), 0.0},
      {"float minus infinity becomes zero", CanonicalWave(3, 1, 32, {0x00, 0x00, 0x80, 0xFF}), 0.0},
      {"float bits with tag 1 are integers", CanonicalWave(1, 1, 32, {0x00, 0x00, 0xC0, 0x3F}), 0x3FC00000 / 2147483647.0},
      {"extensible with a short fmt is integer",
       CanonicalWave(65534, 1, 32, {0x00, 0x00, 0xC0, 0x3F}), 0x3FC00000 / 2147483647.0},
      {"extensible PCM sub-format",
       WaveFile({{"fmt ", ExtensibleFormatBody(1, 32, 1)}, {"data", {0xFF, 0xFF, 0xFF, 0x7F}}}), 1.0},
      {"extensible float sub-format",
       WaveFile({{"fmt ", ExtensibleFormatBody(1, 32, 3)}, {"data", {0x00, 0x00, 0xC0, 0x3F}}}), 1.5},
      {"8-bit with float tag is still integer", CanonicalWave(3, 1, 8, {0xFF}), 1.0},
  };
  for (const ConversionCase& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(row.file);
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    ASSERT_EQ(outcome.clip.ChannelCount(), 1);
    ASSERT_EQ(outcome.clip.SampleCount(), 1);
    EXPECT_EQ(outcome.clip.channels[0][0], row.expected);
  }
}

TEST(WaveDecoder, SplitsInterleavedFramesIntoChannels) {
  const Bytes samples = ByteWriter(kLittle).U16(1).U16(0x8000).U16(2).U16(0x7FFF).U16(3).U16(0).bytes();
  const DecodeOutcome outcome = DecodeCapturing(CanonicalWave(1, 2, 16, samples));
  ASSERT_TRUE(outcome.ok) << outcome.errors;
  EXPECT_EQ(outcome.clip.sampleRate, 44100u);
  EXPECT_EQ(outcome.clip.bitDepth, 16);
  ASSERT_EQ(outcome.clip.ChannelCount(), 2);
  EXPECT_EQ(outcome.clip.channels[0], (Signal{1 / 32767.0, 2 / 32767.0, 3 / 32767.0}));
  EXPECT_EQ(outcome.clip.channels[1], (Signal{-32768 / 32767.0, 1.0, 0.0}));
}

struct LayoutCase {
  const char* name;
  std::vector<ChunkSpec> chunks;
  Signal expected;
};

TEST(WaveDecoder, FindsChunksWhereverTheyLie) {
  const Bytes format8 = WaveFormatBody(1, 1, 8000, 8);
  const Bytes three = {0x81, 0x82, 0x83};
  const Signal decoded = {1 / 127.0, 2 / 127.0, 3 / 127.0};
  const std::vector<LayoutCase> cases = {
      {"data before fmt", {{"data", three}, {"fmt ", format8}}, decoded},
      {"another chunk between", {{"fmt ", format8}, {"LIST", Bytes(10, 0x41)}, {"data", three}}, decoded},
      {"odd chunk with pad byte", {{"fmt ", format8}, {"junk", Bytes(5, 0x20)}, {"data", three}}, decoded},
      {"odd chunk without pad byte", {{"fmt ", format8}, {"junk", Bytes(5, 0x20), false}, {"data", three}}, decoded},
      {"odd chunk of binary without pad byte", {{"fmt ", format8}, {"junk", Bytes(5, 0x00), false}, {"data", three}}, decoded},
      {"odd data chunk with pad before fmt", {{"data", three}, {"fmt ", format8}}, decoded},
      {"odd data chunk without pad before fmt", {{"data", three, false}, {"fmt ", format8}}, decoded},
      {"two odd chunks, one padded", {{"ab  ", {1}}, {"cd  ", {2}, false}, {"fmt ", format8}, {"data", three}}, decoded},
      {"empty data chunk", {{"fmt ", format8}, {"data", {}}}, {}},
  };
  for (const LayoutCase& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(WaveFile(row.chunks));
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    ASSERT_EQ(outcome.clip.ChannelCount(), 1);
    EXPECT_EQ(outcome.clip.channels[0], row.expected);
  }
}

TEST(WaveDecoder, FrameCountFollowsTheDataSize) {
  const Bytes format = WaveFormatBody(1, 2, 44100, 16);
  const Bytes eight_bytes(8, 0);
  struct Row {
    const char* name;
    std::int64_t size_claim;
    std::int32_t expected_samples;
  };
  const std::vector<Row> cases = {
      {"whole frames", 8, 2},
      {"trailing partial frame ignored", 6, 1},
      {"less than a frame", 3, 0},
      {"negative size gives no frames", 0xFFFFFFFC, 0},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(WaveFile({{"fmt ", format}, {"data", eight_bytes, true, row.size_claim}}));
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    EXPECT_EQ(outcome.clip.ChannelCount(), 2);
    EXPECT_EQ(outcome.clip.SampleCount(), row.expected_samples);
    EXPECT_EQ(outcome.clip.channels[1].size(), outcome.clip.channels[0].size());
  }
}

TEST(WaveDecoder, AcceptsRateZeroAndWrapsTheByteRateProduct) {
  const DecodeOutcome zero_rate = DecodeCapturing(WaveFile({{"fmt ", WaveFormatBody(1, 1, 0, 16)}, {"data", {1, 0}}}));
  EXPECT_TRUE(zero_rate.ok) << zero_rate.errors;
  EXPECT_EQ(zero_rate.clip.sampleRate, 0u);

  // 128 channels x 0xFFFFFFFF Hz x 32 bits, formed modulo 2^32 and shifted by 3.
  const std::uint32_t wrapped = (128u * 0xFFFFFFFFu * 32u) >> 3;
  const Bytes format = ByteWriter(kLittle).U16(1).U16(128).U32(0xFFFFFFFF).U32(wrapped).U16(512).U16(32).bytes();
  const DecodeOutcome huge_rate = DecodeCapturing(WaveFile({{"fmt ", format}, {"data", Bytes(512, 0)}}));
  EXPECT_TRUE(huge_rate.ok) << huge_rate.errors;
  EXPECT_EQ(huge_rate.clip.ChannelCount(), 128);
  EXPECT_EQ(huge_rate.clip.SampleCount(), 1);
}

struct RefusalCase {
  const char* name;
  Bytes file;
  std::string message;
};

Bytes FormatWith(std::uint16_t tag, std::uint16_t channels, std::uint32_t byte_rate, std::uint16_t block_align,
                 std::uint16_t bits) {
  return ByteWriter(kLittle).U16(tag).U16(channels).U32(8000).U32(byte_rate).U16(block_align).U16(bits).bytes();
}

TEST(WaveDecoder, RefusesWhatItCannotRead) {
  const std::string not_wave = "ERROR: this doesn't seem to be a valid .WAV file";
  const std::string inconsistent = "ERROR: the header data in this WAV file seems to be inconsistent";
  const std::string bad_channels = "ERROR: this WAV file seems to be an invalid number of channels (or corrupted?)";
  const Bytes format = WaveFormatBody(1, 1, 8000, 16);
  const Bytes sample = {0, 0};
  const std::vector<RefusalCase> cases = {
      {"bare header of 12 bytes", ByteWriter(kLittle).Text("RIFF").U32(99).Text("WAVE").bytes(), not_wave},
      {"no data chunk", WaveFile({{"fmt ", format}}), not_wave},
      {"no fmt chunk", WaveFile({{"data", sample}}), not_wave},
      {"not a WAVE form", ByteWriter(kLittle).Text("RIFF").U32(0).Text("AVI ").Text("fmt ").U32(16).Raw(format)
                              .Text("data").U32(2).Raw(sample).bytes(), not_wave},
      {"negative chunk size before data", WaveFile({{"fmt ", format}, {"LIST", {}, true, 0xFFFFFFF0}, {"data", sample}}),
       not_wave},
      {"chunk size past the end", WaveFile({{"fmt ", format}, {"LIST", {}, true, 0x7FFFFFFF}, {"data", sample}}), not_wave},
      {"lower-case container", ByteWriter(kLittle).Text("riff").U32(0).Text("WAVE").Raw(Bytes(20, 0)).bytes(),
       "Audio File Type: Error"},
      {"three bytes", {'R', 'I', 'F'}, "Audio File Type: Error"},
      {"72 bits", WaveFile({{"fmt ", FormatWith(1, 1, 72000, 9, 72)}, {"data", sample}}),
       "ERROR: you are trying to read a 72-bit file using a 64-bit sample type"},
      {"negative bits", WaveFile({{"fmt ", FormatWith(1, 1, 0, 0, 0xFFFF)}, {"data", sample}}),
       "ERROR: you are trying to read a -1-bit file using a 64-bit sample type"},
      {"ADPCM", WaveFile({{"fmt ", WaveFormatBody(2, 1, 8000, 16)}, {"data", sample}}),
       "ERROR: this .WAV file is encoded in a format that this library does not support at present"},
      {"no channels", WaveFile({{"fmt ", WaveFormatBody(1, 0, 8000, 16)}, {"data", sample}}), bad_channels},
      {"129 channels", WaveFile({{"fmt ", WaveFormatBody(1, 129, 8000, 16)}, {"data", sample}}), bad_channels},
      {"byte rate one off", WaveFile({{"fmt ", FormatWith(1, 1, 16001, 2, 16)}, {"data", sample}}), inconsistent},
      {"block align one off", WaveFile({{"fmt ", FormatWith(1, 1, 16000, 3, 16)}, {"data", sample}}), inconsistent},
      {"fmt chunk cut short", ByteWriter(kLittle).Text("RIFF").U32(0).Text("WAVE").Text("data").U32(0)
                                  .Text("fmt ").U32(16).U16(1).bytes(), bad_channels},
      {"12 bits, consistent header", WaveFile({{"fmt ", FormatWith(1, 1, 12000, 1, 12)}, {"data", sample}}),
       "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
  };
  for (const RefusalCase& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(row.file);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.errors, row.message + "\n");
  }
}

TEST(WaveDecoder, TruncatedDataKeepsThePresentFramesAndReservesNoMore) {
  const std::string past_end =
      "ERROR: read file error as the metadata indicates more samples than there are in the file data\n";
  struct Row {
    const char* name;
    std::int64_t size_claim;
  };
  // Five samples of a stereo 16-bit file: two whole frames and half of a third.
  const Bytes samples = ByteWriter(kLittle).U16(1).U16(2).U16(3).U16(4).U16(5).bytes();
  for (const Row& row : {Row{"one frame more", 16}, Row{"largest positive size", 0x7FFFFFFF}}) {
    SCOPED_TRACE(row.name);
    const Bytes file = WaveFile({{"fmt ", WaveFormatBody(1, 2, 8000, 16)}, {"data", samples, false, row.size_claim}});
    const DecodeOutcome outcome = DecodeCapturing(file);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.errors, past_end);
    ASSERT_EQ(outcome.clip.ChannelCount(), 2);
    EXPECT_EQ(outcome.clip.channels[0], (Signal{1 / 32767.0, 3 / 32767.0, 5 / 32767.0}));
    EXPECT_EQ(outcome.clip.channels[1], (Signal{2 / 32767.0, 4 / 32767.0}));
    EXPECT_LE(outcome.clip.channels[0].capacity(), 3u);
    EXPECT_LE(outcome.clip.channels[1].capacity(), 2u);
  }
}

}  // namespace
}  // namespace varnetta::test
