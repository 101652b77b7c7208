#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "audio/AiffDecoder.h"
#include "support/AudioFixtures.h"

namespace varnetta::test {
namespace {

constexpr ByteOrder kBig = ByteOrder::BigEndian;

Bytes SimpleAiff(std::string_view form_type, std::uint16_t channels, std::uint16_t bits, const Bytes& samples) {
  const auto frames = static_cast<std::uint32_t>(samples.size() / (channels * (bits / 8u)));
  return FormFile(form_type, {{"COMM", CommonBody(channels, frames, bits, Rate44100())}, {"SSND", SoundBody(samples)}});
}

TEST(AiffSampleRate, ConvertsTheExtendedField) {
  struct Row {
    const char* name;
    std::array<std::uint8_t, 10> field;
    std::uint32_t expected;
  };
  const std::vector<Row> cases = {
      {"44100", {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, 44100},
      {"8000", {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0}, 8000},
      {"one", {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}, 1},
      {"100.5 loses its fraction", {0x40, 0x05, 0xC9, 0, 0, 0, 0, 0, 0, 0}, 100},
      {"one half", {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0},
      {"zero", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
      {"2^32 has no low bits", {0x40, 0x1F, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0},
      {"2^32 + 5 keeps its low bits", {0x40, 0x1F, 0x80, 0, 0, 0x02, 0x80, 0, 0, 0}, 5},
      {"2^63 is out of range", {0x40, 0x3E, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0},
      {"largest exponent is infinite", {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
      {"minus 8000 wraps", {0xC0, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0}, 0xFFFFFFFFu - 8000 + 1},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ConvertAiffSampleRate(row.field), row.expected);
  }
}

struct ConversionCase {
  const char* name;
  std::string_view form_type;
  std::uint16_t bits;
  Bytes sample;
  double expected;
};

TEST(AiffDecoder, ConvertsEachSampleFormat) {
  const std::vector<ConversionCase> cases = {
      {"8-bit bottom", "AIFF", 8, {0x80}, -128 / 127.0},
      {"8-bit top", "AIFF", 8, {0x7F}, 1.0},
      {"8-bit zero", "AIFF", 8, {0x00}, 0.0},
      {"16-bit bottom", "AIFF", 16, {0x80, 0x00}, -32768 / 32767.0},
      {"16-bit top", "AIFF", 16, {0x7F, 0xFF}, 1.0},
      {"24-bit bottom", "AIFF", 24, {0x80, 0x00, 0x00}, -8388608 / 8388607.0},
      {"24-bit top", "AIFC", 24, {0x7F, 0xFF, 0xFF}, 1.0},
      {"32-bit integer in AIFF", "AIFF", 32, {0x3F, 0xC0, 0x00, 0x00}, 0x3FC00000 / 2147483647.0},
      {"32-bit bottom", "AIFF", 32, {0x80, 0x00, 0x00, 0x00}, -2147483648.0 / 2147483647.0},
      {"32-bit float in AIFC", "AIFC", 32, {0x3F, 0xC0, 0x00, 0x00}, 1.5},
      {"AIFC NaN becomes zero", "AIFC", 32, {0x7F, 0xC0, 0x00, 0x00}, 0.0},
      {"AIFC infinity becomes zero", "AIFC", 32, {0xFF, 0x80, 0x00, 0x00}, 0.0},
  };
  for (const ConversionCase& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(SimpleAiff(row.form_type, 1, row.bits, row.sample));
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.clip.bitDepth, row.bits);
    EXPECT_EQ(outcome.clip.sampleRate, 44100u);
    ASSERT_EQ(outcome.clip.SampleCount(), 1);
    EXPECT_EQ(outcome.clip.channels[0][0], row.expected);
  }
}

TEST(AiffDecoder, ReadsStereoFramesAndChunkLayouts) {
  const Bytes samples = ByteWriter(kBig).U16(1).U16(0x8000).U16(2).U16(0x7FFF).bytes();
  const Bytes common = CommonBody(2, 2, 16, Rate44100());
  // An AIFC COMM chunk naming a little-endian compression is still read big-endian.
  const Bytes aifc_common = ByteWriter(kBig).Raw(common).Text("sowt").Raw({4}).Text("none").Raw({0}).bytes();
  struct Row {
    const char* name;
    Bytes file;
  };
  const std::vector<Row> cases = {
      {"plain", FormFile("AIFF", {{"COMM", common}, {"SSND", SoundBody(samples)}})},
      {"sound before common", FormFile("AIFF", {{"SSND", SoundBody(samples)}, {"COMM", common}})},
      {"odd chunk with pad", FormFile("AIFF", {{"NAME", Bytes(3, 'x')}, {"COMM", common}, {"SSND", SoundBody(samples)}})},
      {"odd chunk without pad",
       FormFile("AIFF", {{"NAME", Bytes(3, 'x'), false}, {"COMM", common}, {"SSND", SoundBody(samples)}})},
      {"data offset counted in the size", FormFile("AIFF", {{"COMM", common}, {"SSND", SoundBody(samples, 3)}})},
      {"data offset left out of the size", FormFile("AIFF", {{"COMM", common}, {"SSND", SoundBody(samples, 3), true, 16}})},
      {"AIFC with a compression name", FormFile("AIFC", {{"FVER", Bytes(4, 0)}, {"COMM", aifc_common},
                                                          {"SSND", SoundBody(samples)}})},
  };
  for (const Row& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(row.file);
    ASSERT_TRUE(outcome.ok) << outcome.errors;
    ASSERT_EQ(outcome.clip.ChannelCount(), 2);
    EXPECT_EQ(outcome.clip.channels[0], (Signal{1 / 32767.0, 2 / 32767.0}));
    EXPECT_EQ(outcome.clip.channels[1], (Signal{-32768 / 32767.0, 1.0}));
  }
}

TEST(AiffDecoder, ZeroFramesGiveEmptyChannels) {
  const DecodeOutcome outcome =
      DecodeCapturing(FormFile("AIFF", {{"COMM", CommonBody(2, 0, 16, Rate44100())}, {"SSND", SoundBody({})}}));
  ASSERT_TRUE(outcome.ok) << outcome.errors;
  EXPECT_EQ(outcome.clip.ChannelCount(), 2);
  EXPECT_EQ(outcome.clip.SampleCount(), 0);
}

struct RefusalCase {
  const char* name;
  Bytes file;
  std::string message;
};

TEST(AiffDecoder, RefusesWhatItCannotRead) {
  const std::string not_aiff = "ERROR: this doesn't seem to be a valid AIFF file";
  const std::string bad_rate = "ERROR: this AIFF file has an unsupported sample rate";
  const std::string metadata = "ERROR: the metadatafor this file doesn't seem right";
  const std::string bad_channels =
      "ERROR: this AIFF file seems to be neither mono nor stereo (perhaps multi-track, or corrupted?)";
  const Bytes four = Bytes(4, 0);
  const Bytes common = CommonBody(2, 1, 16, Rate44100());
  const auto file_with = [&](const Bytes& common_body, const Bytes& sound_body) {
    return FormFile("AIFF", {{"COMM", common_body}, {"SSND", sound_body}});
  };
  const std::vector<RefusalCase> cases = {
      {"no COMM", FormFile("AIFF", {{"SSND", SoundBody(four)}}), not_aiff},
      {"no SSND", FormFile("AIFF", {{"COMM", common}}), not_aiff},
      {"other form type", FormFile("8SVX", {{"COMM", common}, {"SSND", SoundBody(four)}}), not_aiff},
      {"72 bits", file_with(CommonBody(1, 1, 72, Rate44100()), SoundBody(Bytes(9, 0))),
       "ERROR: you are trying to read a 72-bit file using a 64-bit sample type"},
      {"rate one half", file_with(CommonBody(2, 1, 16, {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}), SoundBody(four)),
       bad_rate},
      {"rate zero", file_with(CommonBody(2, 1, 16, Bytes(10, 0)), SoundBody(four)), bad_rate},
      {"rate field cut off", FormFile("AIFF", {{"SSND", SoundBody(four)}, {"COMM", Bytes(12, 0)}}), bad_rate},
      {"three channels", file_with(CommonBody(3, 1, 16, Rate44100()), SoundBody(Bytes(6, 0))), bad_channels},
      {"12 bits", file_with(CommonBody(1, 1, 12, Rate44100()), SoundBody(Bytes(1, 0))),
       "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
      {"SSND size one more", FormFile("AIFF", {{"COMM", common}, {"SSND", SoundBody(four), true, 13}}), metadata},
      {"SSND size one more with an offset",
       FormFile("AIFF", {{"COMM", common}, {"SSND", SoundBody(four, 2), true, 15}}), metadata},
      {"frame count one more", file_with(CommonBody(2, 2, 16, Rate44100()), SoundBody(four)), metadata},
      {"sizes agree but file is short",
       FormFile("AIFF", {{"COMM", CommonBody(2, 2, 16, Rate44100())}, {"SSND", SoundBody(four), true, 16}}), metadata},
      {"data offset past the end", FormFile("AIFF", {{"COMM", CommonBody(2, 0, 16, Rate44100())},
                                                     {"SSND", ByteWriter(kBig).U32(0x7FFFFFFF).U32(0).bytes()}}),
       metadata},
      {"largest data offset", FormFile("AIFF", {{"COMM", CommonBody(2, 0, 16, Rate44100())},
                                                {"SSND", ByteWriter(kBig).U32(0xFFFFFFF8).U32(0).bytes()}}),
       metadata},
      // 4 x 0x40000001 frames wraps to 4 in 32 bits; the true total is refused.
      {"total that wraps 32 bits", file_with(CommonBody(2, 0x40000001, 16, Rate44100()), SoundBody(four)), metadata},
      {"frame count with the sign bit", file_with(CommonBody(2, 0xFFFFFFFF, 16, Rate44100()),
                                                  ByteWriter(kBig).U32(0).U32(0).bytes()),
       "ERROR: this AIFF file holds more than 2147483647 sample frames per channel"},
      {"negative SSND size", FormFile("AIFF", {{"COMM", CommonBody(2, 0, 16, Rate44100())},
                                               {"SSND", SoundBody({}), true, 0xFFFFFFF8}}), metadata},
  };
  for (const RefusalCase& row : cases) {
    SCOPED_TRACE(row.name);
    const DecodeOutcome outcome = DecodeCapturing(row.file);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.errors, row.message + "\n");
  }
}

}  // namespace
}  // namespace varnetta::test
