// Files written by another program: sox is given known samples as raw PCM and
// writes them in every format the reader accepts.
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/AudioFixtures.h"

namespace varnetta::test {
namespace {

struct SoxFormat {
  const char* extension;
  bool floating;
  int bits;
};

bool SoxIsInstalled() { return std::system("command -v sox > /dev/null 2>&1") == 0; }

// Integer codes from the bottom to the top of the range, or floats sox keeps exactly.
std::vector<std::int64_t> KnownCodes(int bits) {
  const std::int64_t top = (std::int64_t{1} << (bits - 1)) - 1;
  return {-top - 1, top, 0, 1, -1, top / 2, -top / 3, 5, top - 1, -top};
}
const std::vector<float> kKnownFloats = {0.5f, -0.25f, 0.0f, -1.0f, 0.9990234375f, -0.6875f, 0.3125f, 0.125f, -0.0078125f, 1.0f};

struct KnownSignal {
  Bytes raw;                      // interleaved little-endian samples for sox
  std::vector<Signal> expected;   // what the reader must give back
};

KnownSignal MakeKnownSignal(const SoxFormat& format, int channel_count) {
  KnownSignal known;
  known.expected.resize(static_cast<std::size_t>(channel_count));
  ByteWriter raw(ByteOrder::LittleEndian);
  const std::vector<std::int64_t> codes = KnownCodes(format.bits);
  const double full_scale = static_cast<double>((std::int64_t{1} << (format.bits - 1)) - 1);
  constexpr std::size_t kFrames = 13;
  for (std::size_t frame = 0; frame < kFrames; ++frame) {
    for (std::size_t c = 0; c < known.expected.size(); ++c) {
      const std::size_t index = (frame * 3 + c) % codes.size();
      if (format.floating) {
        raw.U32(std::bit_cast<std::uint32_t>(kKnownFloats[index]));
        known.expected[c].push_back(kKnownFloats[index]);
      } else {
        const auto code = static_cast<std::uint32_t>(codes[index]);
        if (format.bits == 8) raw.Raw({static_cast<std::uint8_t>(code)});
        if (format.bits == 16) raw.U16(code);
        if (format.bits == 24) raw.U24(code);
        if (format.bits == 32) raw.U32(code);
        known.expected[c].push_back(static_cast<double>(codes[index]) / full_scale);
      }
    }
  }
  known.raw = raw.bytes();
  return known;
}

// Has sox turn the raw samples into path; the output type follows the extension.
void ConvertWithSox(const std::filesystem::path& raw_path, const SoxFormat& format, int channel_count,
                    const std::filesystem::path& path) {
  const std::string encoding = format.floating ? "floating-point" : "signed-integer";
  const std::string raw_spec = "-t raw -e " + encoding + " -b " + std::to_string(format.bits) + " -c " +
                               std::to_string(channel_count) + " -r 8000 -L ";
  const std::string output_spec = (format.floating ? "-e floating-point " : "") + std::string("-b ") +
                                  std::to_string(format.bits) + " ";
  const std::string log = path.string() + ".log";
  const std::string command =
      "sox -D " + raw_spec + raw_path.string() + " " + output_spec + path.string() + " 2>" + log;
  ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << std::ifstream(log).rdbuf();
}

TEST(SoxFiles, ReadBackTheSamplesSoxWasGiven) {
  ASSERT_TRUE(SoxIsInstalled()) << "sox must be on PATH (scripts/install-deps.sh installs it)";
  struct Row {
    SoxFormat format;
    std::vector<int> channel_counts;
  };
  const std::vector<Row> cases = {
      {{"wav", false, 8}, {1, 2, 4}},   {{"wav", false, 16}, {1, 2, 4}},  {{"wav", false, 24}, {1, 2, 4}},
      {{"wav", false, 32}, {1, 2, 4}},  {{"wav", true, 32}, {1, 2, 4}},   {{"aiff", false, 8}, {1, 2}},
      {{"aiff", false, 16}, {1, 2}},    {{"aiff", false, 24}, {1, 2}},    {{"aiff", false, 32}, {1, 2}},
      {{"aifc", false, 16}, {1, 2}},    {{"aifc", true, 32}, {1, 2}},
  };
  TempDir dir;
  for (const Row& row : cases) {
    for (const int channel_count : row.channel_counts) {
      const std::string name = std::to_string(row.format.bits) + (row.format.floating ? "f-" : "i-") +
                               std::to_string(channel_count) + "ch." + row.format.extension;
      SCOPED_TRACE(name);
      const KnownSignal known = MakeKnownSignal(row.format, channel_count);
      const auto raw_path = dir.path() / (name + ".raw");
      WriteBytes(raw_path, known.raw);
      ConvertWithSox(raw_path, row.format, channel_count, dir.path() / name);
      const DecodeOutcome outcome = LoadCapturing((dir.path() / name).string());
      ASSERT_TRUE(outcome.ok) << outcome.errors;
      EXPECT_EQ(outcome.clip.sampleRate, 8000u);
      EXPECT_EQ(outcome.clip.bitDepth, row.format.bits);
      EXPECT_EQ(outcome.clip.channels, known.expected);
    }
  }
}

TEST(SoxFiles, RefusesAFourChannelAiff) {
  ASSERT_TRUE(SoxIsInstalled()) << "sox must be on PATH (scripts/install-deps.sh installs it)";
  TempDir dir;
  const SoxFormat format{"aiff", false, 16};
  const KnownSignal known = MakeKnownSignal(format, 4);
  WriteBytes(dir.path() / "in.raw", known.raw);
  ConvertWithSox(dir.path() / "in.raw", format, 4, dir.path() / "four.aiff");
  const DecodeOutcome outcome = LoadCapturing((dir.path() / "four.aiff").string());
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.errors,
            "ERROR: this AIFF file seems to be neither mono nor stereo (perhaps multi-track, or corrupted?)\n");
}

}  // namespace
}  // namespace varnetta::test
